#include "serial/commerror.h"
#include "serial/mscomm.h"
#include "tests/support/processstats.h"
#include "tests/support/ptypair.h"
#include "tests/support/raisederror.h"
#include "tests/support/testcatalog.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace {

void openWith(MSComm &comm, const QString &settings, qint16 port = 1)
{
    comm.setCommPort(port);
    comm.setSettings(settings);
    comm.setInputLen(0);
    comm.setInputMode(1);
    comm.setRThreshold(1);
    comm.setPortOpen(true);
}

} // namespace

class tst_MSComm : public QObject
{
    Q_OBJECT

private slots:
    void putsTheSettingsOnTheLine_data();
    void putsTheSettingsOnTheLine();
    void tellsMissingPortsFromBusyOnes();
    void raisesReceiveEventsAndHandsOverEveryByte();
    void sendsBytesAndGbkText();
    void boundsTheSendQueue();
    void refusesToSendWhileClosed();
    void closesAndOpensAgain();
};

void tst_MSComm::putsTheSettingsOnTheLine_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("baud");
    QTest::addColumn<tcflag_t>("characterSize");
    QTest::addColumn<bool>("parityOn");
    QTest::addColumn<bool>("parityOdd");
    QTest::addColumn<bool>("twoStops");

    QTest::newRow("4800,N,8,1") << "4800,N,8,1" << 4800 << tcflag_t(CS8) << false << false << false;
    QTest::newRow("9600,O,8,1") << "9600,O,8,1" << 9600 << tcflag_t(CS8) << true << true << false;
    QTest::newRow("19200,E,7,1") << "19200,E,7,1" << 19200 << tcflag_t(CS7) << true << false
                                 << false;
    QTest::newRow("115200,N,8,2") << "115200,N,8,2" << 115200 << tcflag_t(CS8) << false << false
                                  << true;
}

void tst_MSComm::putsTheSettingsOnTheLine()
{
    QFETCH(QString, settings);
    QFETCH(int, baud);
    QFETCH(tcflag_t, characterSize);
    QFETCH(bool, parityOn);
    QFETCH(bool, parityOdd);
    QFETCH(bool, twoStops);
    PtyPair line;
    QVERIFY(line.isValid());
    MSComm comm;
    comm.setPortCatalog(TestCatalog::of({line.devicePath()}));
    openWith(comm, settings);
    QVERIFY(comm.portOpen());

    const termios attributes = line.deviceAttributes();
    QCOMPARE(baudOf(attributes), baud);
    QCOMPARE(bool(attributes.c_cflag & CSTOPB), twoStops);
    // Linux pseudo-terminals force 8 data bits and no parity on whatever is
    // set, so those two are read back from the port the control opened.
    QCOMPARE(LineSettings::parse(comm.settings()), LineSettings::parse(settings));
    const auto *port = comm.findChild<const QSerialPort *>();
    QCOMPARE(port->dataBits(), characterSize == CS7 ? QSerialPort::Data7 : QSerialPort::Data8);
    QCOMPARE(port->parity(), !parityOn
                                 ? QSerialPort::NoParity
                                 : (parityOdd ? QSerialPort::OddParity : QSerialPort::EvenParity));
}

void tst_MSComm::tellsMissingPortsFromBusyOnes()
{
    PtyPair line;
    MSComm comm;
    comm.setPortCatalog(TestCatalog::of({line.devicePath(), QStringLiteral("/dev/varnica-none")}));

    // A number beyond the ports present, and a device that has vanished.
    QCOMPARE(errorRaisedBy([&] { openWith(comm, "4800,N,8,1", 3); }).number,
             int(CommError::InvalidPortNumber));
    QCOMPARE(errorRaisedBy([&] { openWith(comm, "4800,N,8,1", 2); }).number,
             int(CommError::InvalidPortNumber));
    QVERIFY(!comm.portOpen());
    QCOMPARE(errorRaisedBy([&] { comm.setCommPort(0); }).number, int(CommError::InvalidPortNumber));

    // Opening twice is the same as a busy port (other holders: tst_portlock).
    openWith(comm, "4800,N,8,1", 1);
    QCOMPARE(errorRaisedBy([&] { comm.setPortOpen(true); }).number,
             int(CommError::PortAlreadyOpen));
}

// Each event finds bytes waiting, and input() takes every one of them. A line
// that keeps delivering small pieces is reported a frame at a time, however
// often the device hands a piece over, and a stream that goes on gets longer
// frames.
void tst_MSComm::raisesReceiveEventsAndHandsOverEveryByte()
{
    PtyPair line;
    MSComm comm;
    comm.setPortCatalog(TestCatalog::of({line.devicePath()}));
    openWith(comm, "4800,N,8,1");

    QByteArray received;
    int events = 0;
    connect(&comm, &MSComm::onComm, this, [&] {
        const QByteArray taken = comm.input();
        QVERIFY(!taken.isEmpty());
        QCOMPARE(comm.input(), QByteArray());
        received += taken;
        ++events;
    });
    const QByteArray first("\x00\x01\xB0\xA1 hello\r\n\xFF", 13);
    QVERIFY(line.write(first));
    QTRY_COMPARE(received, first);

    QByteArray sent = first;
    int pieces = 0;
    QTimer device;
    connect(&device, &QTimer::timeout, this, [&] {
        const QByteArray piece = QByteArray::number(pieces++) + ' ';
        QVERIFY(line.write(piece));
        sent += piece;
        if (pieces == 200)
            device.stop();
    });
    QElapsedTimer streaming;
    streaming.start();
    device.start(4);
    QTRY_VERIFY(!device.isActive());
    QTRY_COMPARE(received, sent);
    // A frame a display frame long (16 ms) for the first quarter second, then
    // one every 30 ms, one event each. Timers fire late, never early, so a
    // busy machine draws the stream out into more frames, never shorter ones;
    // a pause it causes may end the stream and start a new one with short
    // frames: a fifth more for those.
    const qint64 elapsed = streaming.elapsed();
    const qint64 frames = 2 + 250 / 16 + (std::max<qint64>(elapsed, 250) - 250) / 30;
    QVERIFY2(events <= frames + frames / 5,
             qPrintable(QStringLiteral("%1 events in %2 ms").arg(events).arg(elapsed)));
}

void tst_MSComm::sendsBytesAndGbkText()
{
    PtyPair line;
    MSComm comm;
    comm.setPortCatalog(TestCatalog::of({line.devicePath()}));
    openWith(comm, "9600,N,8,1");

    comm.output(QByteArray("\x01\x02\xFF", 3));
    QCOMPARE(line.readExactly(3), QByteArray("\x01\x02\xFF", 3));
    comm.output(QStringLiteral("AB啊\r\n"));
    QCOMPARE(line.readExactly(6), QByteArray("AB\xB0\xA1\r\n"));
    // A character cut in half at the end still goes out, as the substitute.
    comm.output(QString(QStringLiteral("X")) + QChar(0xD83D));
    QCOMPARE(line.readExactly(2), QByteArray("X?"));
}

// The other side reads nothing until the end: the send queue stops growing at
// its limit, a refused send leaves no part of itself behind, and once the line
// drains every accepted byte arrives exactly once.
void tst_MSComm::boundsTheSendQueue()
{
    PtyPair line;
    MSComm comm;
    comm.setPortCatalog(TestCatalog::of({line.devicePath()}));
    openWith(comm, "115200,N,8,1");

    [[maybe_unused]] const double residentBefore = processstats::residentMiB();
    QByteArray accepted;
    int refusals = 0;
    for (int send = 0; send < 2000; ++send) {
        const QByteArray bytes(30000, char('a' + send % 26));
        const qint64 waiting = comm.outBufferCount();
        const int refused = errorRaisedBy([&] { comm.output(bytes); }).number;
        if (refused == 0) {
            accepted += bytes;
        } else {
            QCOMPARE(refused, int(CommError::SendQueueFull));
            QCOMPARE(comm.outBufferCount(), waiting);
            ++refusals;
        }
        QVERIFY(comm.outBufferCount() <= MSComm::outBufferLimit);
        QCoreApplication::processEvents(); // the line takes what it can
    }
    QVERIFY(refusals > 1900);
#if !defined(__SANITIZE_ADDRESS__) // its quarantine keeps freed memory resident
    QVERIFY2(processstats::residentMiB() - residentBefore < 20,
             qPrintable(QString::number(processstats::residentMiB() - residentBefore)));
#endif

    QVERIFY(line.readExactly(accepted.size(), 20000) == accepted);
    QCOMPARE(line.read(300), QByteArray());
    QCOMPARE(comm.outBufferCount(), 0);
    comm.output(QByteArray("after"));
    QCOMPARE(line.readExactly(5), QByteArray("after"));
}

void tst_MSComm::refusesToSendWhileClosed()
{
    MSComm comm;
    QCOMPARE(errorRaisedBy([&] { comm.output(QByteArray("x")); }).number,
             int(CommError::PortNotOpen));
    QCOMPARE(errorRaisedBy([&] { comm.output(QStringLiteral("x")); }).number,
             int(CommError::PortNotOpen));
    QCOMPARE(errorRaisedBy([&] { comm.input(); }).number, int(CommError::PortNotOpen));
}

void tst_MSComm::closesAndOpensAgain()
{
    PtyPair line;
    MSComm comm;
    comm.setPortCatalog(TestCatalog::of({line.devicePath()}));
    openWith(comm, "4800,N,8,1");
    comm.setPortOpen(false);
    QVERIFY(!comm.portOpen());
    comm.setPortOpen(false); // closing a closed port is harmless
    openWith(comm, "2400,E,7,1");
    QVERIFY(comm.portOpen());
    QCOMPARE(baudOf(line.deviceAttributes()), 2400);
}

QTEST_GUILESS_MAIN(tst_MSComm)
#include "tst_mscomm.moc"

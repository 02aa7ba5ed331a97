// The serial control on Windows: how the system's refusals read, and a COM
// port that wine maps to a pseudo-terminal whose far end echoes every byte
// (tests/support/echoline.py names the port in VARNICA_TEST_COM_PORT).
#include "serial/commerror.h"
#include "serial/mscomm.h"
#include "serial/windows/win32comm.h"
#include "tests/support/raisederror.h"

#include <QSignalSpy>
#include <QTest>

#include <qt_windows.h>

namespace {

void openWith(MSComm &comm, qint16 port)
{
    comm.setCommPort(port);
    comm.setSettings(QStringLiteral("115200,N,8,1"));
    comm.setInputLen(0);
    comm.setInputMode(1);
    comm.setRThreshold(1);
    comm.setPortOpen(true);
}

} // namespace

class tst_WinComm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void tellsWhyAPortCannotBeOpened_data();
    void tellsWhyAPortCannotBeOpened();
    void opensOnlyPortsThatExist();
    void carriesBytesBothWays_data();
    void carriesBytesBothWays();
    void refusesASendBeyondTheQueueWhole();
    void closesAndOpensAgain();
    void tellsWhenTheLineGoesAway();

private:
    void expectEcho(MSComm &comm, const QList<QByteArray> &pieces);
    qint16 m_port = 0;
};

void tst_WinComm::initTestCase()
{
    m_port = static_cast<qint16>(qEnvironmentVariableIntValue("VARNICA_TEST_COM_PORT"));
}

void tst_WinComm::tellsWhyAPortCannotBeOpened_data()
{
    QTest::addColumn<quint32>("errorCode");
    QTest::addColumn<int>("number");
    const int noSuchPort = CommError::InvalidPortNumber;
    const int inUse = CommError::PortAlreadyOpen;
    const int unavailable = CommError::DeviceUnavailable;
    QTest::newRow("file not found") << quint32(ERROR_FILE_NOT_FOUND) << noSuchPort;
    QTest::newRow("path not found") << quint32(ERROR_PATH_NOT_FOUND) << noSuchPort;
    QTest::newRow("bad name") << quint32(ERROR_INVALID_NAME) << noSuchPort;
    QTest::newRow("access denied") << quint32(ERROR_ACCESS_DENIED) << inUse;
    QTest::newRow("sharing violation") << quint32(ERROR_SHARING_VIOLATION) << inUse;
    QTest::newRow("not ready") << quint32(ERROR_NOT_READY) << unavailable;
    QTest::newRow("a code the system has no text for") << quint32(0x20001234) << unavailable;
}

// Each refusal names the port and says what the system said.
void tst_WinComm::tellsWhyAPortCannotBeOpened()
{
    QFETCH(quint32, errorCode);
    QFETCH(int, number);
    const CommError error = win32comm::openFailure(QStringLiteral("COM7"), errorCode);
    QCOMPARE(int(error.number()), number);
    QVERIFY2(error.description().contains(QLatin1String("COM7")), qPrintable(error.description()));
    const QString systemText = win32comm::systemMessage(errorCode);
    QVERIFY(error.description().contains(systemText));
    QCOMPARE(systemText == QStringLiteral("错误 %1").arg(errorCode), errorCode == 0x20001234);
}

void tst_WinComm::opensOnlyPortsThatExist()
{
    MSComm comm;
    QCOMPARE(errorRaisedBy([&] { openWith(comm, 200); }).number, int(CommError::InvalidPortNumber));
    QVERIFY(!comm.portOpen());
}

void tst_WinComm::expectEcho(MSComm &comm, const QList<QByteArray> &pieces)
{
    QByteArray received;
    const QMetaObject::Connection taking =
        connect(&comm, &MSComm::onComm, this, [&] { received += comm.input(); });
    const QByteArray sent = pieces.join();
    for (const QByteArray &piece : pieces)
        comm.output(piece);
    QTRY_VERIFY_WITH_TIMEOUT(received.size() >= sent.size(), 30000);
    disconnect(taking);
    QCOMPARE(received, sent);
}

void tst_WinComm::carriesBytesBothWays_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    QByteArray everyValue;
    for (int value = 0; value < 256; ++value)
        everyValue += char(value);
    QByteArray burst(60 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < burst.size(); ++i)
        burst[i] = char(i * 7 % 251);
    QTest::newRow("every byte value") << QList<QByteArray>{everyValue, everyValue};
    QTest::newRow("GBK text split inside a character")
        << QList<QByteArray>{"\xd6\xd0\xce", "\xc4"}; // 中文
    QTest::newRow("a burst beyond the device's buffer") << QList<QByteArray>{burst};
}

void tst_WinComm::carriesBytesBothWays()
{
    if (m_port == 0)
        QSKIP("needs a COM port with an echoing far end (tests/support/echoline.py)");
    QFETCH(QList<QByteArray>, pieces);
    MSComm comm;
    openWith(comm, m_port);
    expectEcho(comm, pieces);
}

// The write in flight counts as queued until the line has taken it.
void tst_WinComm::refusesASendBeyondTheQueueWhole()
{
    if (m_port == 0)
        QSKIP("needs a COM port with an echoing far end (tests/support/echoline.py)");
    MSComm comm;
    openWith(comm, m_port);
    QByteArray received;
    connect(&comm, &MSComm::onComm, this, [&] { received += comm.input(); });
    const QByteArray fill(MSComm::outBufferLimit, 'q');
    comm.output(fill);
    QCOMPARE(errorRaisedBy([&] { comm.output(QByteArray("x")); }).number,
             int(CommError::SendQueueFull));
    QCOMPARE(comm.outBufferCount(), MSComm::outBufferLimit);
    QTRY_VERIFY_WITH_TIMEOUT(received.size() >= fill.size() && comm.outBufferCount() == 0, 30000);
    QCOMPARE(received, fill);
}

// Closing cancels the read that waits for the line; the port opens again.
void tst_WinComm::closesAndOpensAgain()
{
    if (m_port == 0)
        QSKIP("needs a COM port with an echoing far end (tests/support/echoline.py)");
    MSComm comm;
    openWith(comm, m_port);
    expectEcho(comm, {"first"});
    comm.setPortOpen(false);
    QVERIFY(!comm.portOpen());
    QCOMPARE(errorRaisedBy([&] { comm.output(QByteArray("lost")); }).number,
             int(CommError::PortNotOpen));
    comm.setPortOpen(true);
    expectEcho(comm, {"again"});
}

// Last: the far end hangs up for good.
void tst_WinComm::tellsWhenTheLineGoesAway()
{
    if (m_port == 0)
        QSKIP("needs a COM port with an echoing far end (tests/support/echoline.py)");
    MSComm comm;
    openWith(comm, m_port);
    QSignalSpy lost(&comm, &MSComm::lineLost);
    comm.output(QByteArray("<hang up>"));
    QVERIFY(lost.wait(20000));
    QVERIFY(!comm.portOpen());
    QCOMPARE(lost.count(), 1);
}

QTEST_GUILESS_MAIN(tst_WinComm)
#include "tst_wincomm.moc"

#include "serial/commerror.h"
#include "serial/mscomm.h"
#include "serial/unix/portlock.h"
#include "tests/support/lineholder.h"
#include "tests/support/ptypair.h"
#include "tests/support/raisederror.h"
#include "tests/support/testcatalog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char *const openAsSecondInstanceFlag = "--open-as-second-instance";
// The child plays a device on a pseudo-terminal: it holds both sides of the
// line until its input closes.
const char *const playDeviceFlag = "--play-device";

// A process id that was alive a moment ago and is not now.
qint64 deadProcessId()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

QByteArray lockContent(const QByteArray &format, qint64 pid)
{
    if (format == "HDB")
        return QByteArray::number(pid).rightJustified(10) + '\n';
    if (format == "plain")
        return QByteArray::number(pid) + '\n';
    if (format == "plain, no line break")
        return QByteArray::number(pid);
    if (format == "QLockFile")
        return QByteArray::number(pid) + "\nsomeapp\n" + QSysInfo::machineHostName().toUtf8() +
               '\n' + QSysInfo::machineUniqueId() + '\n';
    if (format == "QLockFile, other machine")
        return QByteArray::number(pid) + "\nsomeapp\nelsewhere.example\n0123abcd\n";
    if (format == "binary") {
        const qint32 binaryPid = qint32(pid);
        return QByteArray(reinterpret_cast<const char *>(&binaryPid), sizeof binaryPid);
    }
    if (format == "garbage")
        return "not a lock\n";
    return QByteArray(); // empty
}

RaisedError openingError(MSComm &comm)
{
    return errorRaisedBy([&] {
        comm.setCommPort(1);
        comm.setSettings(QStringLiteral("4800,N,8,1"));
        comm.setPortOpen(true);
    });
}

// Whether a lock file for the device is where QSerialPort and others put theirs.
bool lockedInSystemFolders(const QString &device)
{
    for (const QString &folder : portlock::systemLockFolders())
        for (const QString &name : portlock::lockNames(device))
            if (QFile::exists(QDir(folder).filePath(name)))
                return true;
    return false;
}

} // namespace

class tst_PortLock : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void honoursLiveLocksAndClearsStaleOnes_data();
    void honoursLiveLocksAndClearsStaleOnes();
    void namesLocksAfterTheDeviceAndItsTarget();
    void refusesALineInUseUntouched_data();
    void refusesALineInUseUntouched();
    void holdsTheOpenLineUntilItCloses();
    void opensALineWhoseFarEndHoldsIt();

private:
    QProcess m_liveHolder;
};

void tst_PortLock::initTestCase()
{
    m_liveHolder.start(QStringLiteral("sleep"), {QStringLiteral("600")});
    QVERIFY(m_liveHolder.waitForStarted());
}

void tst_PortLock::cleanupTestCase()
{
    m_liveHolder.kill();
    m_liveHolder.waitForFinished();
}

void tst_PortLock::honoursLiveLocksAndClearsStaleOnes_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<bool>("holderAlive");
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("holds");

    for (const char *format : {"HDB", "plain", "plain, no line break", "QLockFile", "binary"}) {
        QTest::addRow("%s, live", format) << QByteArray(format) << true << 3600 << true;
        QTest::addRow("%s, dead", format) << QByteArray(format) << false << 0 << false;
    }
    // Whether its process lives cannot be told from here.
    QTest::newRow("QLockFile, other machine")
        << QByteArray("QLockFile, other machine") << false << 3600 << true;
    // A lock naming no process may still be being written; later it is stale.
    QTest::newRow("empty, just written") << QByteArray("empty") << false << 0 << true;
    QTest::newRow("empty, old") << QByteArray("empty") << false << 60 << false;
    QTest::newRow("garbage, old") << QByteArray("garbage") << false << 60 << false;
}

// Through the serial control, as an open sees it: a lock that holds refuses
// the open as "port in use" and stays as it was; a stale one is removed and
// the port opens.
void tst_PortLock::honoursLiveLocksAndClearsStaleOnes()
{
    QFETCH(QByteArray, format);
    QFETCH(bool, holderAlive);
    QFETCH(int, ageSeconds);
    QFETCH(bool, holds);

    PtyPair line;
    QVERIFY(line.isValid());
    QTemporaryDir lockFolder;
    const QString lockPath = lockFolder.filePath(portlock::lockNames(line.devicePath()).first());
    const QByteArray content =
        lockContent(format, holderAlive ? m_liveHolder.processId() : deadProcessId());
    QFile lock(lockPath);
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(content);
    lock.flush();
    QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds),
                             QFileDevice::FileModificationTime));
    lock.close();

    MSComm comm;
    comm.setPortCatalog(TestCatalog::of({line.devicePath()}));
    comm.setLockFolders({lockFolder.path()});
    const int error = openingError(comm).number;

    if (holds) {
        QCOMPARE(error, int(CommError::PortAlreadyOpen));
        QVERIFY(!comm.portOpen());
        QVERIFY(lock.open(QIODevice::ReadOnly));
        QCOMPARE(lock.readAll(), content);
    } else {
        QCOMPARE(error, 0);
        QVERIFY(comm.portOpen());
        QVERIFY(!QFile::exists(lockPath));
    }
}

// A port reached through a link (/dev/serial/by-id/...) is locked by other
// programs under the name of the device it leads to.
void tst_PortLock::namesLocksAfterTheDeviceAndItsTarget()
{
    QCOMPARE(portlock::lockNames(QStringLiteral("/dev/ttyVARNICA0")),
             QStringList{QStringLiteral("LCK..ttyVARNICA0")});

    PtyPair line;
    QTemporaryDir folder;
    const QString link = folder.filePath(QStringLiteral("by-id"));
    QVERIFY(QFile::link(line.devicePath(), link));
    const QStringList names = portlock::lockNames(link);
    QCOMPARE(names.size(), 2);
    QCOMPARE(names[1], QStringLiteral("LCK..") + line.devicePath().mid(5).replace(u'/', u'_'));
}

void tst_PortLock::refusesALineInUseUntouched_data()
{
    QTest::addColumn<bool>("withFlock");
    QTest::newRow("open, no lock") << false;
    QTest::newRow("open and flocked") << true;
}

// A line that another program uses is refused before anything is done to it:
// its settings stay, no descriptor or lock file of ours is left, and the
// description says how it is held and by which process.
void tst_PortLock::refusesALineInUseUntouched()
{
    QFETCH(bool, withFlock);
    PtyPair line;
    QProcess holder;
    QVERIFY(startHolding(holder, line.devicePath(), withFlock));
    const termios before = line.deviceAttributes();
    const int ours = descriptorsOn(line.devicePath());

    MSComm comm;
    comm.setPortCatalog(TestCatalog::of({line.devicePath()}));
    const RaisedError error = openingError(comm); // at 4800 baud, not the line's 38400
    QCOMPARE(error.number, int(CommError::PortAlreadyOpen));
    QVERIFY2(error.description.contains(QString::number(holder.processId())) &&
                 error.description.contains(u"flock") == withFlock,
             qPrintable(error.description));
    QVERIFY(!comm.portOpen());
    QCOMPARE(descriptorsOn(line.devicePath()), ours);
    QCOMPARE(line.deviceAttributes().c_cflag, before.c_cflag);
    QVERIFY(!lockedInSystemFolders(line.devicePath()));

    holder.kill();
    QVERIFY(holder.waitForFinished());
    QCOMPARE(openingError(comm).number, 0);
}

// While open, the line is held in each way other programs look, so a second
// instance of the terminal is refused and flock() fails for others; closing
// lets go of all of them.
void tst_PortLock::holdsTheOpenLineUntilItCloses()
{
    PtyPair line;
    MSComm comm;
    comm.setPortCatalog(TestCatalog::of({line.devicePath()}));
    QCOMPARE(openingError(comm).number, 0);
    const auto othersMayFlock = [&] {
        return QProcess::execute(QStringLiteral("flock"), {QStringLiteral("-n"), line.devicePath(),
                                                           QStringLiteral("true")}) == 0;
    };
    const auto exclusive = [&] {
        // Others are refused with EBUSY; root may open it all the same, to ask.
        const int descriptor = ::open(QFile::encodeName(line.devicePath()).constData(),
                                      O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (descriptor < 0)
            return errno == EBUSY;
        int on = 0;
        const bool asked = ::ioctl(descriptor, TIOCGEXCL, &on) == 0;
        ::close(descriptor);
        return asked && on != 0;
    };
    QVERIFY(!othersMayFlock());
    QVERIFY(exclusive());
    QVERIFY(lockedInSystemFolders(line.devicePath()));
    const tcflag_t settings = line.deviceAttributes().c_cflag;

    QProcess second;
    second.start(QCoreApplication::applicationFilePath(),
                 {QLatin1String(openAsSecondInstanceFlag), line.devicePath()});
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.readAllStandardOutput().trimmed(),
             QByteArray::number(CommError::PortAlreadyOpen));
    QCOMPARE(line.deviceAttributes().c_cflag, settings);
    QVERIFY(line.write("still ours"));
    QByteArray received;
    QTRY_COMPARE(received += comm.input(), QByteArray("still ours"));

    comm.setPortOpen(false);
    QVERIFY(othersMayFlock());
    QVERIFY(!exclusive());
    QVERIFY(!lockedInSystemFolders(line.devicePath()));
}

// A program that plays the device on a pseudo-terminal holds its master side,
// and often the terminal side too so that the line stays up between users:
// it is the far end of the line, not another user of it.
void tst_PortLock::opensALineWhoseFarEndHoldsIt()
{
    QProcess device;
    device.start(QCoreApplication::applicationFilePath(), {QLatin1String(playDeviceFlag)});
    QVERIFY(device.waitForReadyRead(10000));
    MSComm comm;
    comm.setPortCatalog(
        TestCatalog::of({QString::fromLocal8Bit(device.readAllStandardOutput().trimmed())}));
    QCOMPARE(openingError(comm).number, 0);
    comm.setPortOpen(false);
    device.closeWriteChannel();
    QVERIFY(device.waitForFinished());
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], openAsSecondInstanceFlag) == 0) {
        MSComm comm;
        comm.setPortCatalog(TestCatalog::of({QString::fromLocal8Bit(argv[2])}));
        std::printf("%d\n", openingError(comm).number);
        return 0;
    }
    if (argc == 2 && qstrcmp(argv[1], playDeviceFlag) == 0) {
        const PtyPair line;
        std::printf("%s\n", qPrintable(line.devicePath()));
        std::fflush(stdout);
        char ignored = 0;
        while (::read(STDIN_FILENO, &ignored, 1) > 0) {
        }
        return 0;
    }
    tst_PortLock test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_portlock.moc"

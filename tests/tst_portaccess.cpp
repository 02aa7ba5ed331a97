#include "serial/mscomm.h"
#include "serial/unix/portaccess.h"
#include "tests/support/ptypair.h"
#include "tests/support/raisederror.h"
#include "tests/support/testcatalog.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstdio>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using portaccess::OpenRefusal;

namespace {

const char *const openUnprivilegedFlag = "--open-unprivileged";
constexpr uid_t unprivilegedId = 65534;

// The child's side of the end-to-end test: become an unprivileged user with
// no groups, open the device through the serial control and print the error
// number and description it reports (0 when it opened).
int openUnprivileged(int argc, char **argv)
{
    if (::setgroups(0, nullptr) != 0 ||
        ::setresgid(unprivilegedId, unprivilegedId, unprivilegedId) != 0 ||
        ::setresuid(unprivilegedId, unprivilegedId, unprivilegedId) != 0)
        return 2;
    QCoreApplication app(argc, argv);
    MSComm comm;
    comm.setPortCatalog(TestCatalog::of({QString::fromLocal8Bit(argv[2])}));
    comm.setLockFolders({QString::fromLocal8Bit(argv[3])});
    const RaisedError error = errorRaisedBy([&] {
        comm.setCommPort(1);
        comm.setSettings(QStringLiteral("4800,N,8,1"));
        comm.setPortOpen(true);
    });
    std::printf("%d\n%s\n", error.number, error.description.toUtf8().constData());
    return 0;
}

} // namespace

class tst_PortAccess : public QObject
{
    Q_OBJECT

private slots:
    void tellsPermissionFromInUse_data();
    void tellsPermissionFromInUse();
    void namesDeviceGroupAndFix_data();
    void namesDeviceGroupAndFix();
    void unprivilegedOpenIsDenied();
};

void tst_PortAccess::tellsPermissionFromInUse_data()
{
    QTest::addColumn<QSerialPort::SerialPortError>("error");
    QTest::addColumn<int>("accessError");
    QTest::addColumn<OpenRefusal>("refusal");

    // QSerialPort's PermissionError covers a held lock, EBUSY and EACCES.
    QTest::newRow("lock or busy") << QSerialPort::PermissionError << 0 << OpenRefusal::InUse;
    QTest::newRow("EACCES") << QSerialPort::PermissionError << EACCES << OpenRefusal::Denied;
    QTest::newRow("EPERM") << QSerialPort::UnknownError << EPERM << OpenRefusal::Denied;
    QTest::newRow("open elsewhere") << QSerialPort::OpenError << 0 << OpenRefusal::InUse;
    QTest::newRow("missing") << QSerialPort::DeviceNotFoundError << ENOENT << OpenRefusal::Missing;
    QTest::newRow("settings") << QSerialPort::UnsupportedOperationError << 0
                              << OpenRefusal::SettingsRefused;
    QTest::newRow("other") << QSerialPort::ResourceError << 0 << OpenRefusal::Other;
}

void tst_PortAccess::tellsPermissionFromInUse()
{
    QFETCH(QSerialPort::SerialPortError, error);
    QFETCH(int, accessError);
    QFETCH(OpenRefusal, refusal);
    QCOMPARE(portaccess::classify(error, accessError), refusal);
}

void tst_PortAccess::namesDeviceGroupAndFix_data()
{
    QTest::addColumn<uint>("permissions");
    QTest::addColumn<bool>("inGroupNow");
    QTest::addColumn<bool>("listedInGroup");
    QTest::addColumn<QString>("fix");

    QTest::newRow("not in the group")
        << 0660u << false << false << QStringLiteral("sudo usermod -aG dialout alice");
    QTest::newRow("joined, not logged in again")
        << 0660u << false << true << QStringLiteral("已加入 dialout 组，但要注销并重新登录");
    QTest::newRow("group may not read and write")
        << 0600u << false << false << QStringLiteral("属组 dialout，权限 0600");
    QTest::newRow("in the group, still refused")
        << 0660u << true << true << QStringLiteral("请让系统管理员");
}

void tst_PortAccess::namesDeviceGroupAndFix()
{
    QFETCH(uint, permissions);
    QFETCH(bool, inGroupNow);
    QFETCH(bool, listedInGroup);
    QFETCH(QString, fix);

    portaccess::DeniedAccess access;
    access.device = QStringLiteral("/dev/ttyUSB0");
    access.ownerName = QStringLiteral("root");
    access.groupName = QStringLiteral("dialout");
    access.permissions = permissions;
    access.userName = QStringLiteral("alice");
    access.inGroupNow = inGroupNow;
    access.listedInGroup = listedInGroup;
    const QString text = portaccess::describe(access);
    QVERIFY2(text.startsWith(QStringLiteral("没有权限打开 /dev/ttyUSB0")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("dialout")) && text.contains(fix), qPrintable(text));
}

// Root opens every device whatever its mode, so the refusal is seen from a
// child process that runs as an unprivileged user without groups.
void tst_PortAccess::unprivilegedOpenIsDenied()
{
    if (::geteuid() != 0)
        QSKIP("Needs root: the test hands a pseudo-terminal to a group and opens it as an "
              "unprivileged user outside that group.");
    const group *dialout = ::getgrnam("dialout");
    const gid_t deviceGroup = dialout ? dialout->gr_gid : ::getegid();
    const QString groupName = dialout ? QStringLiteral("dialout")
                                      : QString::fromLocal8Bit(::getgrgid(deviceGroup)->gr_name);

    PtyPair line;
    QVERIFY(line.isValid());
    const QByteArray device = line.devicePath().toLocal8Bit();
    QCOMPARE(::chown(device.constData(), 0, deviceGroup), 0);
    QCOMPARE(::chmod(device.constData(), 0660), 0);
    QTemporaryDir lockFolder;

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QLatin1String(openUnprivilegedFlag), line.devicePath(), lockFolder.path()});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitCode(), 0);
    const QStringList reply = QString::fromUtf8(child.readAllStandardOutput()).split(u'\n');
    QCOMPARE(reply.value(0), QStringLiteral("70"));
    const QString description = reply.value(1);
    QVERIFY2(description.contains(line.devicePath()) && description.contains(groupName) &&
                 description.contains(QStringLiteral("usermod -aG ") + groupName),
             qPrintable(description));
}

int main(int argc, char **argv)
{
    if (argc == 4 && qstrcmp(argv[1], openUnprivilegedFlag) == 0)
        return openUnprivileged(argc, argv);
    QCoreApplication app(argc, argv);
    tst_PortAccess test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_portaccess.moc"

#include "serial/unix/portaccess.h"

#include <QFile>
#include <QList>

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace portaccess {

namespace {

QString userNameOf(uid_t uid)
{
    const passwd *entry = ::getpwuid(uid);
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString::number(uid);
}

QString groupNameOf(gid_t gid)
{
    const group *entry = ::getgrgid(gid);
    return entry ? QString::fromLocal8Bit(entry->gr_name) : QString::number(gid);
}

bool processHasGroup(gid_t gid)
{
    if (::getegid() == gid)
        return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0)
        return false;
    QList<gid_t> groups(count);
    const int got = ::getgroups(count, groups.data());
    return got > 0 && groups.first(got).contains(gid);
}

// The group database's view, which takes effect at the user's next login.
bool databaseListsUserInGroup(uid_t uid, gid_t gid)
{
    const passwd *entry = ::getpwuid(uid);
    if (!entry)
        return false;
    if (entry->pw_gid == gid)
        return true;
    int count = 64;
    QList<gid_t> groups(count);
    if (::getgrouplist(entry->pw_name, entry->pw_gid, groups.data(), &count) == -1) {
        groups.resize(count);
        if (::getgrouplist(entry->pw_name, entry->pw_gid, groups.data(), &count) == -1)
            return false;
    }
    return groups.first(count).contains(gid);
}

} // namespace

OpenRefusal classify(QSerialPort::SerialPortError error, int accessError)
{
    if (deniesAccess(accessError))
        return OpenRefusal::Denied;
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return OpenRefusal::Missing;
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError:
        return OpenRefusal::InUse;
    case QSerialPort::UnsupportedOperationError:
        return OpenRefusal::SettingsRefused;
    default:
        return OpenRefusal::Other;
    }
}

int readWriteAccessError(const QString &device)
{
    if (::faccessat(AT_FDCWD, QFile::encodeName(device).constData(), R_OK | W_OK, AT_EACCESS) == 0)
        return 0;
    return errno;
}

bool deniesAccess(int accessError)
{
    return accessError == EACCES || accessError == EPERM;
}

DeniedAccess deniedAccessTo(const QString &device)
{
    DeniedAccess access;
    access.device = device;
    access.userName = userNameOf(::geteuid());
    struct stat status = {};
    if (::stat(QFile::encodeName(device).constData(), &status) != 0)
        return access;
    access.ownerName = userNameOf(status.st_uid);
    access.groupName = groupNameOf(status.st_gid);
    access.permissions = status.st_mode & 07777;
    access.inGroupNow = processHasGroup(status.st_gid);
    access.listedInGroup = databaseListsUserInGroup(::geteuid(), status.st_gid);
    return access;
}

QString describe(const DeniedAccess &access)
{
    const bool groupMayReadWrite = (access.permissions & 060) == 060;
    if (groupMayReadWrite && !access.inGroupNow && access.listedInGroup)
        return QStringLiteral(
                   "没有权限打开 %1：当前用户 %2 已加入 %3 组，但要注销并重新登录后才生效")
            .arg(access.device, access.userName, access.groupName);
    if (groupMayReadWrite && !access.inGroupNow)
        return QStringLiteral("没有权限打开 %1：请把当前用户加入 %3 组（sudo usermod -aG %3 %2），"
                              "然后注销并重新登录")
            .arg(access.device, access.userName, access.groupName);
    return QStringLiteral(
               "没有权限打开 %1（属主 %2，属组 %3，权限 %4）：请让系统管理员允许当前用户 "
               "%5 读写这个设备")
        .arg(access.device, access.ownerName, access.groupName,
             QStringLiteral("%1").arg(access.permissions, 4, 8, QLatin1Char('0')), access.userName);
}

} // namespace portaccess

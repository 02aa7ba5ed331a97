#include "serial/lineclaim.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whether the process has a descriptor on the character device numbered
// device; false when its descriptors are not ours to read, or it has ended.
bool hasOpen(const char *pid, dev_t device)
{
    const QByteArray folder = QByteArray("/proc/") + pid + "/fd";
    const int folderDescriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderDescriptor < 0)
        return false;
    DIR *descriptors = ::fdopendir(folderDescriptor);
    if (!descriptors) {
        ::close(folderDescriptor);
        return false;
    }
    bool found = false;
    while (!found) {
        const dirent *entry = ::readdir(descriptors);
        if (!entry)
            break;
        // Only what leads into /dev is followed: following a descriptor on
        // a file of a network share that no longer answers could block.
        char target[16];
        const ssize_t length = ::readlinkat(folderDescriptor, entry->d_name, target, sizeof target);
        if (length < 5 || std::memcmp(target, "/dev/", 5) != 0)
            continue;
        struct stat status
        {
        };
        found = ::fstatat(folderDescriptor, entry->d_name, &status, 0) == 0 &&
                S_ISCHR(status.st_mode) && status.st_rdev == device;
    }
    ::closedir(descriptors);
    return found;
}

// The first process other than this one found with the device open.
std::optional<qint64> processUsing(dev_t device)
{
    DIR *processes = ::opendir("/proc");
    if (!processes)
        return std::nullopt;
    const qint64 self = ::getpid();
    std::optional<qint64> user;
    while (!user) {
        const dirent *entry = ::readdir(processes);
        if (!entry)
            break;
        bool isPid = false;
        const qint64 pid = QByteArray(entry->d_name).toLongLong(&isPid);
        if (isPid && pid != self && hasOpen(entry->d_name, device))
            user = pid;
    }
    ::closedir(processes);
    return user;
}

QString commandOf(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll().trimmed())
                                          : QString();
}

} // namespace

std::optional<LineClaim::OtherUser> LineClaim::take(const QString &device)
{
    release();
    const QByteArray path = QFile::encodeName(device);
    struct stat status
    {
    };
    if (::stat(path.constData(), &status) != 0 || !S_ISCHR(status.st_mode))
        return std::nullopt;
    // Opened as QSerialPort opens it: no wait for a carrier, never our
    // controlling terminal. Opening changes nothing of the line's settings.
    const int descriptor = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0 && errno != EBUSY)
        return std::nullopt;
    if (descriptor >= 0 && !::isatty(descriptor)) {
        ::close(descriptor); // /dev/null and the like: many have it open
        return std::nullopt;
    }

    std::optional<Holding> holding;
    if (descriptor < 0)
        holding = Holding::Exclusive;
    else if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        holding = Holding::Flock;
    const std::optional<qint64> user = processUsing(status.st_rdev);
    if (!holding && !user) {
        m_descriptor = descriptor;
        return std::nullopt;
    }
    if (descriptor >= 0)
        ::close(descriptor);
    return OtherUser{holding.value_or(Holding::Open), user.value_or(0),
                     user ? commandOf(*user) : QString()};
}

void LineClaim::release()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
    m_descriptor = -1;
}

QString LineClaim::describe(const QString &device, const OtherUser &user)
{
    const QString who = user.pid > 0
                            ? QStringLiteral("进程 %1（%2）").arg(user.pid).arg(user.command)
                            : QStringLiteral("另一个程序");
    switch (user.holding) {
    case Holding::Exclusive:
        return QStringLiteral("设备 %1 已被%2独占打开").arg(device, who);
    case Holding::Flock:
        return QStringLiteral("设备 %1 已被%2锁定（flock）").arg(device, who);
    case Holding::Open:
        break;
    }
    return QStringLiteral("设备 %1 已被%2打开").arg(device, who);
}

#include "serial/unix/lineclaim.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// /dev/ptmx and /dev/pts/ptmx, where pseudo-terminal masters are opened.
constexpr unsigned ptyMultiplexerMajor = 5;

// The pseudo-terminal that the device is the terminal side of (its number
// N in /dev/pts/N), or -1 for any other device.
int ptyIndexOf(dev_t device)
{
    constexpr unsigned firstSlaveMajor = 136; // /dev/pts/N, numbered on from 136:0
    constexpr unsigned lastSlaveMajor = 143;
    const unsigned majorNumber = major(device);
    if (majorNumber < firstSlaveMajor || majorNumber > lastSlaveMajor)
        return -1;
    return int((majorNumber - firstSlaveMajor) * 256 + minor(device));
}

// Whether descriptor entry of a process (its name in the process's fd folder)
// is the master side of pseudo-terminal ptyIndex, as its fdinfo tells.
bool isMasterOf(int fdinfoFolder, const char *entry, int ptyIndex)
{
    const int info = ::openat(fdinfoFolder, entry, O_RDONLY | O_CLOEXEC);
    if (info < 0)
        return false;
    char text[512];
    const ssize_t length = ::read(info, text, sizeof text - 1);
    ::close(info);
    if (length <= 0)
        return false;
    text[length] = '\0';
    const char *field = std::strstr(text, "tty-index:");
    return field && std::atoi(field + std::strlen("tty-index:")) == ptyIndex;
}

// Whether the process uses the character device numbered device: it has a
// descriptor on it, and (for a pseudo-terminal) not also one on its master
// side. A process that holds the master is the other end of the line, the
// part a device plays on a real one, and may keep the terminal side open so
// that the line stays up between users. False when the process's descriptors
// are not ours to read, or it has ended.
bool usesDevice(const char *pid, dev_t device)
{
    const QByteArray folder = QByteArray("/proc/") + pid;
    const int fdFolder = ::open((folder + "/fd").constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fdFolder < 0)
        return false;
    DIR *descriptors = ::fdopendir(fdFolder);
    if (!descriptors) {
        ::close(fdFolder);
        return false;
    }
    const int ptyIndex = ptyIndexOf(device);
    int fdinfoFolder = -1;
    bool hasDevice = false;
    bool hasMaster = false;
    while (!hasMaster) {
        const dirent *entry = ::readdir(descriptors);
        if (!entry)
            break;
        // Only what leads into /dev is followed: following a descriptor on
        // a file of a network share that no longer answers could block.
        char target[16];
        const ssize_t length = ::readlinkat(fdFolder, entry->d_name, target, sizeof target);
        if (length < 5 || std::memcmp(target, "/dev/", 5) != 0)
            continue;
        struct stat status
        {
        };
        if (::fstatat(fdFolder, entry->d_name, &status, 0) != 0 || !S_ISCHR(status.st_mode))
            continue;
        if (status.st_rdev == device) {
            hasDevice = true;
            if (ptyIndex < 0)
                break;
        } else if (ptyIndex >= 0 && major(status.st_rdev) == ptyMultiplexerMajor) {
            if (fdinfoFolder < 0)
                fdinfoFolder =
                    ::open((folder + "/fdinfo").constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            hasMaster = fdinfoFolder >= 0 && isMasterOf(fdinfoFolder, entry->d_name, ptyIndex);
        }
    }
    if (fdinfoFolder >= 0)
        ::close(fdinfoFolder);
    ::closedir(descriptors);
    return hasDevice && !hasMaster;
}

// The first process other than this one found using the device.
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
        if (isPid && pid != self && usesDevice(entry->d_name, device))
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

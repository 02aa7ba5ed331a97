#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The lock files by which serial programs on Linux claim a device:
// "LCK..ttyS0" for /dev/ttyS0 in a lock folder such as /var/lock.
//
// QSerialPort takes such a lock itself (QLockFile in the first usable folder
// of the list below) but judges a lock that is not in QLockFile's own format
// stale, deletes it and takes the port. So the serial control asks here first
// and refuses a device whose lock names a live process, whatever the format.
namespace portlock {

// Who a lock file names.
struct LockOwner
{
    qint64 pid = 0;
    QString hostName;     // QLockFile's format only
    QByteArray machineId; // QLockFile's format only
};

// The owner a lock file's content names, in any of the formats in use: ASCII
// ("%10d\n", as HDB UUCP and most serial programs write it), plain decimal
// with or without a line break, QLockFile's (process id, application, host
// name and machine id, one per line) and the old binary one (a native 4-byte
// integer). Nothing when the content names no process.
std::optional<LockOwner> readOwner(const QByteArray &content);

// Whether a lock still holds its device. A lock naming a process on this
// machine holds exactly while that process lives; one written on another
// machine (a shared lock folder) always holds; one that names no process
// (empty, unreadable or garbage) holds for its first few seconds, while its
// writer may still be filling it in, and is stale after that.
bool stillHolds(const std::optional<LockOwner> &owner, qint64 ageMs,
                const std::function<bool(qint64 pid)> &processAlive);

// How long a lock that names no process is given to be filled in.
constexpr qint64 unreadableGraceMs = 5000;

// Whether a process of this machine lives (a process of another user counts).
bool processAlive(qint64 pid);

// The lock file names for a device: the name after "/dev/" with '/' turned
// into '_', for the path as given and for the device it leads to.
QStringList lockNames(const QString &device);

// The folders serial programs keep their lock files in, QSerialPort's among
// them; each existing folder once.
QStringList systemLockFolders();

// A lock that holds a device.
struct Holder
{
    QString lockFile;
    qint64 pid = 0; // 0 when the lock names no process
};

// Looks for the device's lock files in the folders. A stale lock met on the
// way is removed (the content judged stale is read again just before, so a
// lock written meanwhile stays); one that cannot be removed holds. Returns
// the first lock that holds the device, or nothing when the device is free.
std::optional<Holder> holderOf(const QString &device, const QStringList &folders);

} // namespace portlock

#include "serial/unix/portlock.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <limits>

namespace portlock {

namespace {

bool isDecimal(const QByteArray &text)
{
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

QString lockName(const QString &devicePath)
{
    QString name = devicePath.startsWith(QLatin1String("/dev/")) ? devicePath.mid(5) : devicePath;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QLatin1String("LCK..") + name;
}

bool onThisMachine(const LockOwner &owner)
{
    return owner.hostName.isEmpty() || owner.hostName == QSysInfo::machineHostName() ||
           (!owner.machineId.isEmpty() && owner.machineId == QSysInfo::machineUniqueId());
}

struct LockContent
{
    bool readable = false;
    QByteArray bytes;

    friend bool operator==(const LockContent &, const LockContent &) = default;
};

LockContent readLock(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return {true, file.read(4096)};
}

} // namespace

std::optional<LockOwner> readOwner(const QByteArray &content)
{
    const QList<QByteArray> lines = content.split('\n');
    const QByteArray firstLine = lines.constFirst().trimmed();
    if (isDecimal(firstLine)) {
        bool ok = false;
        const qint64 pid = firstLine.toLongLong(&ok);
        if (!ok || pid <= 0)
            return std::nullopt;
        return LockOwner{pid, QString::fromUtf8(lines.value(2).trimmed()),
                         lines.value(3).trimmed()};
    }
    if (content.size() == int(sizeof(qint32))) {
        qint32 pid = 0;
        std::memcpy(&pid, content.constData(), sizeof pid);
        if (pid > 0)
            return LockOwner{pid, {}, {}};
    }
    return std::nullopt;
}

bool stillHolds(const std::optional<LockOwner> &owner, qint64 ageMs,
                const std::function<bool(qint64 pid)> &processAlive)
{
    if (!owner)
        return qAbs(ageMs) < unreadableGraceMs;
    if (!onThisMachine(*owner))
        return true;
    return processAlive(owner->pid);
}

bool processAlive(qint64 pid)
{
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

QStringList lockNames(const QString &device)
{
    QStringList names{lockName(device)};
    const QString target = QFileInfo(device).canonicalFilePath();
    if (!target.isEmpty() && !names.contains(lockName(target)))
        names.append(lockName(target));
    return names;
}

QStringList systemLockFolders()
{
    const QStringList candidates{QStringLiteral("/var/lock"),
                                 QStringLiteral("/etc/locks"),
                                 QStringLiteral("/var/spool/locks"),
                                 QStringLiteral("/var/spool/uucp"),
                                 QStringLiteral("/tmp"),
                                 QStringLiteral("/var/tmp"),
                                 QStringLiteral("/var/lock/lockdev"),
                                 QStringLiteral("/run/lock"),
                                 QDir::tempPath()};
    QStringList folders;
    QStringList seen;
    for (const QString &folder : candidates) {
        const QFileInfo info(folder);
        const QString real = info.canonicalFilePath();
        if (!info.isDir() || real.isEmpty() || seen.contains(real))
            continue;
        seen.append(real);
        folders.append(folder);
    }
    return folders;
}

std::optional<Holder> holderOf(const QString &device, const QStringList &folders)
{
    const QStringList names = lockNames(device);
    for (const QString &folder : folders) {
        for (const QString &name : names) {
            const QString path = QDir(folder).filePath(name);
            const QFileInfo info(path);
            if (!info.exists() || info.isDir())
                continue;
            const LockContent content = readLock(path);
            const std::optional<LockOwner> owner = readOwner(content.bytes);
            const Holder holder{path, owner ? owner->pid : 0};
            const qint64 ageMs = info.lastModified().msecsTo(QDateTime::currentDateTime());
            if (stillHolds(owner, ageMs, processAlive))
                return holder;
            // Stale: remove it, unless it changed since it was judged or
            // cannot be removed; then it holds, as it will for QSerialPort.
            const LockContent again = readLock(path);
            if (!QFileInfo::exists(path))
                continue;
            if (again != content || !QFile::remove(path))
                return holder;
        }
    }
    return std::nullopt;
}

} // namespace portlock

#include "launcher/privatefolder.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Neither group nor others may change a file the launcher relies on.
constexpr mode_t writableByOthers = S_IWGRP | S_IWOTH;

QByteArray encoded(const QString &name)
{
    return QFile::encodeName(name);
}

bool isOwnRegularFile(const struct stat &status)
{
    return S_ISREG(status.st_mode) && status.st_uid == ::geteuid() &&
           (status.st_mode & writableByOthers) == 0;
}

bool writeAll(int fd, QByteArrayView bytes)
{
    const char *data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

bool contentEquals(int fd, QByteArrayView bytes)
{
    char buffer[65536];
    qsizetype offset = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return offset == bytes.size();
        if (offset + got > bytes.size() || std::memcmp(buffer, bytes.data() + offset, size_t(got)))
            return false;
        offset += got;
    }
}

} // namespace

QString temporaryRoot(const QProcessEnvironment &environment)
{
    const QString temp = environment.value(QStringLiteral("temp"));
    if (!temp.isEmpty())
        return temp;
    const QString platform = environment.value(QStringLiteral("TMPDIR"));
    if (!platform.isEmpty())
        return platform;
    return QStringLiteral("/tmp");
}

QString PrivateFolder::nameFor(uint userId)
{
    return QStringLiteral("varnica-%1").arg(userId);
}

std::unique_ptr<PrivateFolder> PrivateFolder::open(const QString &root)
{
    const UniqueFd rootFolder(
        ::open(encoded(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!rootFolder.isValid())
        return nullptr;

    const QString name = nameFor(::geteuid());
    const bool created = ::mkdirat(rootFolder.get(), encoded(name).constData(), 0700) == 0;

    // O_NOFOLLOW refuses a link in the folder's place; the checks below run on
    // what was actually opened.
    UniqueFd folder(::openat(rootFolder.get(), encoded(name).constData(),
                             O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.isValid())
        return nullptr;
    if (created)
        ::fchmod(folder.get(), 0700); // whatever the umask took away
    struct stat status
    {
    };
    if (::fstat(folder.get(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::geteuid() || (status.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return nullptr;
    return std::unique_ptr<PrivateFolder>(
        new PrivateFolder(root + QDir::separator() + name, std::move(folder)));
}

PrivateFolder::PrivateFolder(QString path, UniqueFd folder)
    : m_path(std::move(path)), m_folder(std::move(folder))
{}

QString PrivateFolder::filePath(const QString &name) const
{
    return m_path + QDir::separator() + name;
}

void PrivateFolder::removeMatching(const QString &pattern)
{
    // A listing of its own, so that the folder's descriptor keeps its offset.
    const int listingFd = ::openat(m_folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listingFd < 0)
        return;
    DIR *listing = ::fdopendir(listingFd);
    if (!listing) {
        ::close(listingFd);
        return;
    }
    const QByteArray wanted = encoded(pattern);
    QList<QByteArray> matches;
    while (const dirent *entry = ::readdir(listing)) {
        if (::fnmatch(wanted.constData(), entry->d_name, 0) == 0)
            matches.append(QByteArray(entry->d_name));
    }
    ::closedir(listing);
    for (const QByteArray &match : std::as_const(matches))
        ::unlinkat(m_folder.get(), match.constData(), 0);
}

void PrivateFolder::remove(const QString &name)
{
    ::unlinkat(m_folder.get(), encoded(name).constData(), 0);
}

bool PrivateFolder::exists(const QString &name) const
{
    struct stat status
    {
    };
    return ::fstatat(m_folder.get(), encoded(name).constData(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

bool PrivateFolder::create(const QString &name, QByteArrayView bytes, FileKind kind)
{
    const mode_t mode = kind == FileKind::Program ? 0700 : 0600;
    const QByteArray fileName = encoded(name);
    UniqueFd file(::openat(m_folder.get(), fileName.constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    if (!file.isValid())
        return false;
    // The umask may have taken the owner's bits; the program must stay runnable.
    bool written = ::fchmod(file.get(), mode) == 0 && writeAll(file.get(), bytes);
    // A program still open for writing cannot be started: close before reporting.
    written = ::close(file.release()) == 0 && written;
    if (!written)
        ::unlinkat(m_folder.get(), fileName.constData(), 0);
    return written;
}

bool PrivateFolder::holdsCopyOf(const QString &name, QByteArrayView bytes) const
{
    return openOwnCopy(name, bytes).isValid();
}

UniqueFd PrivateFolder::openOwnCopy(const QString &name, QByteArrayView bytes) const
{
    const QByteArray fileName = encoded(name);
    struct stat status
    {
    };
    // Looked at before opening, so that opening a pipe cannot block.
    if (::fstatat(m_folder.get(), fileName.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
        !isOwnRegularFile(status))
        return {};
    UniqueFd file(
        ::openat(m_folder.get(), fileName.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!file.isValid() || ::fstat(file.get(), &status) != 0 || !isOwnRegularFile(status) ||
        status.st_size != off_t(bytes.size()) || !contentEquals(file.get(), bytes))
        return {};
    return file;
}

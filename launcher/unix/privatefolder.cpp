#include "launcher/unix/privatefolder.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

// Neither group nor others may change a file the launcher relies on.
constexpr mode_t writableByOthers = S_IWGRP | S_IWOTH;

bool isOwnRegularFile(const struct stat &status)
{
    return S_ISREG(status.st_mode) && status.st_uid == ::geteuid() &&
           (status.st_mode & writableByOthers) == 0;
}

bool writeAll(int fd, Bytes bytes)
{
    const char *data = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= size_t(written);
    }
    return true;
}

bool contentEquals(int fd, Bytes bytes)
{
    char buffer[65536];
    size_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return offset == bytes.size();
        if (offset + size_t(got) > bytes.size() ||
            std::memcmp(buffer, bytes.data() + offset, size_t(got)) != 0)
            return false;
        offset += size_t(got);
    }
}

// One step of a name: never empty, never a way out of the folder.
bool isPlainPart(std::string_view part)
{
    return !part.empty() && part != "." && part != "..";
}

int lockRetryingSignals(int fd, int operation)
{
    int result;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

} // namespace

std::string temporaryRoot(const char *temp, const char *tmpdir)
{
    if (temp && *temp)
        return temp;
    if (tmpdir && *tmpdir)
        return tmpdir;
    return "/tmp";
}

std::string PrivateFolder::nameFor(uid_t userId)
{
    return "varnica-" + std::to_string(userId);
}

std::unique_ptr<PrivateFolder> PrivateFolder::open(const std::string &root)
{
    UniqueFd rootFolder(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!rootFolder.isValid())
        return nullptr;

    const std::string name = nameFor(::geteuid());
    // The last launcher to leave deletes the folder; one that waited for it
    // meanwhile finds its folder gone and makes a new one. A few rounds at
    // most, however many launchers come and go.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const bool created = ::mkdirat(rootFolder.get(), name.c_str(), 0700) == 0;

        // O_NOFOLLOW refuses a link in the folder's place; the checks below
        // run on what was actually opened.
        UniqueFd folder(::openat(rootFolder.get(), name.c_str(),
                                 O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder.isValid()) {
            if (errno == ENOENT)
                continue; // deleted between the two calls
            return nullptr;
        }
        if (created)
            ::fchmod(folder.get(), 0700); // whatever the umask took away
        struct stat status
        {
        };
        if (::fstat(folder.get(), &status) != 0 || !S_ISDIR(status.st_mode) ||
            status.st_uid != ::geteuid() || (status.st_mode & (S_IRWXG | S_IRWXO)) != 0)
            return nullptr;
        if (lockRetryingSignals(folder.get(), LOCK_SH) != 0)
            return nullptr;
        if (::fstat(folder.get(), &status) != 0)
            return nullptr;
        if (status.st_nlink == 0)
            continue; // deleted while we waited for the lock
        return std::unique_ptr<PrivateFolder>(
            new PrivateFolder(root + '/' + name, std::move(rootFolder), name, std::move(folder)));
    }
    return nullptr;
}

PrivateFolder::PrivateFolder(std::string path, UniqueFd root, std::string name, UniqueFd folder)
    : m_path(std::move(path)), m_root(std::move(root)), m_name(std::move(name)),
      m_folder(std::move(folder))
{}

void PrivateFolder::removeItselfIfEmpty()
{
    // Only while the name still leads to the folder we hold.
    struct stat held
    {
    };
    struct stat named
    {
    };
    if (::fstat(m_folder.get(), &held) == 0 &&
        ::fstatat(m_root.get(), m_name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino)
        ::unlinkat(m_root.get(), m_name.c_str(), AT_REMOVEDIR);
}

std::string PrivateFolder::filePath(std::string_view name) const
{
    return m_path + '/' + std::string(name);
}

PrivateFolder::Place PrivateFolder::placeOf(std::string_view name, bool makeFolders) const
{
    Place place{UniqueFd(::openat(m_folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)), {}};
    for (;;) {
        const size_t slash = name.find('/');
        const std::string part(name.substr(0, slash));
        if (!isPlainPart(part) || !place.folder.isValid())
            return {};
        if (slash == std::string_view::npos) {
            place.leaf = part;
            return place;
        }
        name.remove_prefix(slash + 1);

        const bool made = makeFolders && ::mkdirat(place.folder.get(), part.c_str(), 0700) == 0;
        UniqueFd inner(::openat(place.folder.get(), part.c_str(),
                                O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (made && inner.isValid())
            ::fchmod(inner.get(), 0700); // whatever the umask took away
        struct stat status
        {
        };
        if (!inner.isValid() || ::fstat(inner.get(), &status) != 0 ||
            status.st_uid != ::geteuid() || (status.st_mode & writableByOthers) != 0)
            return {};
        place.folder = std::move(inner);
    }
}

void PrivateFolder::removeMatching(std::string_view pattern)
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
    const std::string wanted(pattern);
    std::vector<std::string> matches;
    while (const dirent *entry = ::readdir(listing)) {
        if (::fnmatch(wanted.c_str(), entry->d_name, 0) == 0)
            matches.emplace_back(entry->d_name);
    }
    ::closedir(listing);
    for (const std::string &match : matches)
        ::unlinkat(m_folder.get(), match.c_str(), 0);
}

void PrivateFolder::remove(std::string_view name)
{
    const Place place = placeOf(name, false);
    if (place.folder.isValid())
        ::unlinkat(place.folder.get(), place.leaf.c_str(), 0);
}

void PrivateFolder::removeFolder(std::string_view name)
{
    const Place place = placeOf(name, false);
    if (place.folder.isValid())
        ::unlinkat(place.folder.get(), place.leaf.c_str(), AT_REMOVEDIR);
}

bool PrivateFolder::exists(std::string_view name) const
{
    const Place place = placeOf(name, false);
    struct stat status
    {
    };
    return place.folder.isValid() &&
           ::fstatat(place.folder.get(), place.leaf.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

bool PrivateFolder::create(std::string_view name, Bytes bytes, FileKind kind)
{
    const Place place = placeOf(name, true);
    if (!place.folder.isValid())
        return false;
    const mode_t mode = kind == FileKind::Program ? 0700 : 0600;
    UniqueFd file(::openat(place.folder.get(), place.leaf.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    if (!file.isValid())
        return false;
    // The umask may have taken the owner's bits; the program must stay runnable.
    bool written = ::fchmod(file.get(), mode) == 0 && writeAll(file.get(), bytes);
    // A program still open for writing cannot be started: close before reporting.
    written = ::close(file.release()) == 0 && written;
    if (!written)
        ::unlinkat(place.folder.get(), place.leaf.c_str(), 0);
    return written;
}

bool PrivateFolder::holdsCopyOf(std::string_view name, Bytes bytes) const
{
    return openOwnCopy(name, bytes).isValid();
}

bool PrivateFolder::lastToLeave()
{
    return ::flock(m_folder.get(), LOCK_EX | LOCK_NB) == 0;
}

UniqueFd PrivateFolder::openOwnCopy(std::string_view name, Bytes bytes) const
{
    const Place place = placeOf(name, false);
    if (!place.folder.isValid())
        return {};
    struct stat status
    {
    };
    // Looked at before opening, so that opening a pipe cannot block.
    if (::fstatat(place.folder.get(), place.leaf.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
        !isOwnRegularFile(status))
        return {};
    UniqueFd file(
        ::openat(place.folder.get(), place.leaf.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!file.isValid() || ::fstat(file.get(), &status) != 0 || !isOwnRegularFile(status) ||
        status.st_size != off_t(bytes.size()) || !contentEquals(file.get(), bytes))
        return {};
    return file;
}

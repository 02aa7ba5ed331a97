#pragma once

#include "launcher/launchseams.h"
#include "launcher/unix/uniquefd.h"

#include <memory>
#include <string>
#include <string_view>

// The temporary folder the launcher works in: the variable "temp" when it is
// set and not empty, else the platform's (TMPDIR, then /tmp). Either value
// may be null (unset).
std::string temporaryRoot(const char *temp, const char *tmpdir);

// The user's own folder inside a temporary folder, "varnica-<uid>". Every
// file operation goes through the folder's open descriptor and never follows
// a link, so nothing that is swapped in under its path later is ever touched.
// While it is open, the launcher holds a shared lock on it.
class PrivateFolder : public WorkFolder
{
public:
    // Creates the folder with mode 0700 when it is missing and opens it. Gives
    // nothing when it cannot be used: not a real directory (a link, say), not
    // owned by the user, or open to the group or to others. Waits while
    // another launcher is deleting what it wrote there.
    static std::unique_ptr<PrivateFolder> open(const std::string &root);
    static std::string nameFor(uid_t userId);

    const std::string &path() const { return m_path; }
    std::string filePath(std::string_view name) const;

    void removeMatching(std::string_view pattern) override;
    void remove(std::string_view name) override;
    void removeFolder(std::string_view name) override;
    bool exists(std::string_view name) const override;
    // Folders on the way are made with mode 0700.
    bool create(std::string_view name, Bytes bytes, FileKind kind) override;
    bool holdsCopyOf(std::string_view name, Bytes bytes) const override;
    // Trades the shared lock for the exclusive one, which no other launcher
    // holding the folder open lets it have.
    bool lastToLeave() override;
    // A launcher that was waiting to open the folder meanwhile makes it anew.
    void removeItselfIfEmpty() override;

    // Opens name for reading when it is the user's own regular file, not a
    // link, and holds exactly bytes; the descriptor closes on exec.
    UniqueFd openOwnCopy(std::string_view name, Bytes bytes) const;

private:
    PrivateFolder(std::string path, UniqueFd root, std::string name, UniqueFd folder);

    struct Place
    {
        UniqueFd folder; // the folder that holds the name's last part
        std::string leaf;
    };
    // Where name lies, through folders of the user's own; with makeFolders,
    // missing ones are made on the way. Its folder is invalid when that fails.
    Place placeOf(std::string_view name, bool makeFolders) const;

    std::string m_path;
    UniqueFd m_root; // the temporary folder it lies in
    std::string m_name;
    UniqueFd m_folder;
};

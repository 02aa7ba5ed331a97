#pragma once

#include "launcher/launchseams.h"
#include "launcher/windows/uniquehandle.h"

#include <string>
#include <string_view>

// The value of the variable "temp", empty when it is not set.
std::wstring temporaryFolder();

// The temporary folder the launcher writes its files into, as the variable
// "temp" names it. A file's path is the folder's value and "\" with the name
// joined as they stand ("/" in a name becomes "\"): nothing is added to or
// taken from the value, and an empty value gives paths that begin with "\".
//
// Launchers started with the same folder count themselves in it through two
// named objects of the session: a mutex that keeps a launcher from starting
// while another deletes the files, and a semaphore whose count is the number
// of launchers at work. Windows deletes both with the last handle, so a count
// that a launcher which crashed left behind lasts only while other launchers
// still hold them.
class TempFolder : public WorkFolder
{
public:
    // Counts this launcher in; waits while another launcher is deleting the files.
    explicit TempFolder(std::wstring folder);
    ~TempFolder() override;
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const std::wstring &folder() const { return m_folder; }
    std::wstring filePath(std::string_view name) const;

    // Every file that FindFirstFileW lists for the folder, "\" and pattern.
    void removeMatching(std::string_view pattern) override;
    void remove(std::string_view name) override;
    void removeFolder(std::string_view name) override;
    bool exists(std::string_view name) const override;
    bool create(std::string_view name, Bytes bytes, FileKind kind) override;
    bool holdsCopyOf(std::string_view name, Bytes bytes) const override;
    // Counts this launcher out and tells whether none is left. From then on
    // this launcher keeps the others from starting until it goes, so that
    // none writes while it deletes.
    bool lastToLeave() override;
    // The temporary folder is the user's, never deleted.
    void removeItselfIfEmpty() override {}

    // Opens name for reading when it is a plain file (no folder, no link)
    // holding exactly bytes. Nobody may change or delete it while the handle
    // is open.
    UniqueHandle openOwnCopy(std::string_view name, Bytes bytes) const;

private:
    void countOut();

    std::wstring m_folder;
    UniqueHandle m_guard; // the mutex
    UniqueHandle m_count; // the semaphore
    bool m_counted = false;
    bool m_guardHeld = false;
};

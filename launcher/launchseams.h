#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// The narrow platform pieces the launcher's steps run on. The real ones are
// PrivateFolder, ProgramStarter and XcbWindowFinder on Linux (unix/), and
// TempFolder, ProcessStarter and TitleWindowFinder on Windows (windows/);
// tests put their own in.

// Raw bytes, such as a carried file's.
using Bytes = std::string_view;

// The folder the launcher writes its files into. A name may lead through
// folders inside it ("plugins/platforms/libqxcb.so"), never out of it.
class WorkFolder
{
public:
    enum class FileKind { Program, Data };

    virtual ~WorkFolder() = default;
    // Deletes every file of the folder itself whose name matches pattern ("*"
    // stands for any run of characters). Files that cannot be deleted stay.
    virtual void removeMatching(std::string_view pattern) = 0;
    virtual void remove(std::string_view name) = 0;
    // Deletes the folder name when it is empty.
    virtual void removeFolder(std::string_view name) = 0;
    // Whether anything stands under name.
    virtual bool exists(std::string_view name) const = 0;
    // Creates name anew (never over something present) holding exactly bytes,
    // and the folders on its way where missing. False when nothing was left behind.
    virtual bool create(std::string_view name, Bytes bytes, FileKind kind) = 0;
    // Whether name is a file of the user's own, not a link, holding exactly bytes.
    virtual bool holdsCopyOf(std::string_view name, Bytes bytes) const = 0;
    // Whether no other launcher works in the folder any more, so that what the
    // launchers wrote there may go. Asked once, at the end.
    virtual bool lastToLeave() = 0;
    // Deletes the folder itself when nothing is left in it (the last launcher
    // to leave, once its files are gone).
    virtual void removeItselfIfEmpty() = 0;
};

// Starts the terminal and follows its process.
class TerminalStarter
{
public:
    virtual ~TerminalStarter() = default;
    // Starts the program in fileName of the work folder with no arguments,
    // without waiting, provided it still holds exactly expected. The
    // process id, or nothing when it did not start.
    virtual std::optional<pid_t> start(std::string_view fileName, Bytes expected) = 0;
    virtual bool hasEnded(pid_t processId) = 0;
    // Where a running program's files cannot be deleted (Windows), waits at
    // most bound for the process to end once its window has gone. Elsewhere
    // the files go while it ends.
    virtual void awaitEnd(pid_t processId, std::chrono::milliseconds bound)
    {
        (void)processId;
        (void)bound;
    }
};

// One top-level window whose title matched.
struct TitledWindow
{
    std::uint32_t id = 0;
    pid_t processId = 0; // 0 when the window does not name its process
};

// Finds top-level windows by their exact title.
class WindowFinder
{
public:
    virtual ~WindowFinder() = default;
    // The windows titled exactly title (UTF-8); nothing when no display can be reached.
    virtual std::optional<std::vector<TitledWindow>> find(std::string_view title) = 0;
};

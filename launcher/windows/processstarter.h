#pragma once

#include "launcher/launchseams.h"
#include "launcher/windows/uniquehandle.h"

#include <map>

class TempFolder;

// Starts a program of the temporary folder in a normal window, with no
// arguments. The file is checked and held against change from the check until
// the new process runs it. Each started process is followed through its
// handle.
//
// The program gets the launcher's environment without the variables that
// would point Qt at another Qt's plugins: the terminal uses the run-time
// carried beside it.
class ProcessStarter : public TerminalStarter
{
public:
    explicit ProcessStarter(const TempFolder &folder) : m_folder(folder) {}

    std::optional<pid_t> start(std::string_view fileName, Bytes expected) override;
    bool hasEnded(pid_t processId) override;
    // A running program's files cannot be deleted on Windows.
    void awaitEnd(pid_t processId, std::chrono::milliseconds bound) override;

private:
    const TempFolder &m_folder;
    std::map<pid_t, UniqueHandle> m_processes;
};

#pragma once

#include "launcher/launchseams.h"

#include <set>

class PrivateFolder;

// Starts a program of the private folder as a child process. What runs is
// the very file that was checked: it is executed through the descriptor that
// the check read, never looked up again by its name.
//
// The program gets the launcher's environment except the variables that would
// point it at another Qt's libraries or plugins (LD_LIBRARY_PATH comes before
// the program's own RUNPATH): the terminal uses the run-time carried beside it
// wherever it runs.
class ProgramStarter : public TerminalStarter
{
public:
    explicit ProgramStarter(const PrivateFolder &folder) : m_folder(folder) {}

    std::optional<pid_t> start(std::string_view fileName, Bytes expected) override;
    // Collects an ended child, so that none is left behind as a zombie.
    bool hasEnded(pid_t processId) override;

private:
    const PrivateFolder &m_folder;
    std::set<pid_t> m_ended;
};

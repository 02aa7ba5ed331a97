#pragma once

#include "launcher/carriedfiles.h"
#include "launcher/launchseams.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What the launcher does at start-up and on each tick of its timer. Every
// step that fails is skipped and the next one runs; nothing is ever shown.
class LaunchSteps
{
public:
    struct Carried
    {
        Bytes terminal; // the terminal's executable
        Bytes control;  // the serial control file it loads from its own folder
        // The libraries, plugins and texts the terminal uses beside the two.
        std::span<const carriedfiles::RuntimeFile> runtime;
    };

    LaunchSteps(WorkFolder &folder, TerminalStarter &starter, WindowFinder &windows,
                Carried carried);

    // Clears out earlier copies, writes the files that are missing or not
    // exactly the carried ones, and starts the terminal.
    void startUp();
    // One look for the terminal's window. True when the launcher is to end:
    // the terminal is gone and, unless another launcher still works in the
    // folder, everything the launchers wrote there has been deleted.
    bool tick();

    bool terminalStarted() const { return m_terminal.has_value(); }
    // 0 after a terminal ran, 1 when none could be started.
    int exitCode() const { return terminalStarted() ? 0 : 1; }

private:
    void createWhenAbsent(std::string_view name, Bytes bytes, WorkFolder::FileKind kind);
    bool placeRuntime();
    bool place(std::string_view path, Bytes bytes);
    bool stillStarting();
    void removeAll();

    WorkFolder &m_folder;
    TerminalStarter &m_starter;
    WindowFinder &m_windows;
    Carried m_carried;
    std::optional<pid_t> m_terminal;
    bool m_ownWindowSeen = false;
};

#pragma once

#include "launcher/launchseams.h"

#include <QByteArrayView>

#include <optional>

// What the launcher does at start-up and on each tick of its timer. Every
// step that fails is skipped and the next one runs; nothing is ever shown.
class LaunchSteps
{
public:
    struct Carried
    {
        QByteArrayView terminal; // the terminal's executable
        QByteArrayView control;  // the serial control file it loads from its own folder
    };

    LaunchSteps(WorkFolder &folder, TerminalStarter &starter, WindowFinder &windows,
                Carried carried);

    // Clears out earlier copies, writes both files when absent and starts the terminal.
    void startUp();
    // One look for the terminal's window. True when the launcher is to end:
    // the terminal is gone and both files have been deleted.
    bool tick();

    bool terminalStarted() const { return m_terminal.has_value(); }
    // 0 after a terminal ran, 1 when none could be started.
    int exitCode() const { return terminalStarted() ? 0 : 1; }

private:
    void createWhenAbsent(const QString &name, QByteArrayView bytes, WorkFolder::FileKind kind);
    bool stillStarting();

    WorkFolder &m_folder;
    TerminalStarter &m_starter;
    WindowFinder &m_windows;
    Carried m_carried;
    std::optional<qint64> m_terminal;
    bool m_ownWindowSeen = false;
};

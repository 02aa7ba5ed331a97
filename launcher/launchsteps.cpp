#include "launcher/launchsteps.h"

#include "common/titles.h"
#include "launcher/launchernames.h"

using namespace launchernames;

LaunchSteps::LaunchSteps(WorkFolder &folder, TerminalStarter &starter, WindowFinder &windows,
                         Carried carried)
    : m_folder(folder), m_starter(starter), m_windows(windows), m_carried(carried)
{}

void LaunchSteps::startUp()
{
    m_folder.removeMatching(cleanUpPattern);
    m_folder.remove(controlFileName);

    createWhenAbsent(terminalFileName, m_carried.terminal, WorkFolder::FileKind::Program);
    createWhenAbsent(controlFileName, m_carried.control, WorkFolder::FileKind::Data);

    // A file that survived the clean-up is used only when it is exactly what
    // the launcher would have written itself.
    if (!m_folder.holdsCopyOf(terminalFileName, m_carried.terminal) ||
        !m_folder.holdsCopyOf(controlFileName, m_carried.control))
        return;
    m_terminal = m_starter.start(terminalFileName, m_carried.terminal);
}

void LaunchSteps::createWhenAbsent(const QString &name, QByteArrayView bytes,
                                   WorkFolder::FileKind kind)
{
    if (!m_folder.exists(name))
        m_folder.create(name, bytes, kind);
}

bool LaunchSteps::tick()
{
    const std::optional<QList<TitledWindow>> windows = m_windows.find(titles::terminalWindow);
    if (windows && !windows->isEmpty()) {
        for (const TitledWindow &window : *windows) {
            if (m_terminal && window.processId == *m_terminal)
                m_ownWindowSeen = true;
        }
        return false;
    }
    if (stillStarting())
        return false;

    m_folder.remove(controlFileName);
    m_folder.remove(terminalFileName);
    return true;
}

// No window with the title means the terminal is gone once its own window
// has shown itself, or once its process has ended; until then it may still
// be loading. Without a display to ask, only the process can tell.
bool LaunchSteps::stillStarting()
{
    if (m_ownWindowSeen || !m_terminal)
        return false;
    return !m_starter.hasEnded(*m_terminal);
}

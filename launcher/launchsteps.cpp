#include "launcher/launchsteps.h"

#include "common/titles.h"
#include "launcher/launchernames.h"
#include "launcher/runtimeframe.h"

#include <algorithm>
#include <future>

using namespace launchernames;

namespace {

// How long a terminal may take to end once its window has gone.
constexpr std::chrono::seconds endingBound{5};

// The folders the run-time's files lie in, each one before the folder that holds it.
std::vector<std::string_view> foldersOf(std::span<const carriedfiles::RuntimeFile> files)
{
    std::vector<std::string_view> folders;
    for (const carriedfiles::RuntimeFile &file : files) {
        std::string_view folder = file.path;
        for (;;) {
            const size_t slash = folder.rfind('/');
            if (slash == std::string_view::npos)
                break;
            folder = folder.substr(0, slash);
            if (std::find(folders.begin(), folders.end(), folder) == folders.end())
                folders.push_back(folder);
        }
    }
    // A longer name lies deeper than any folder whose name starts it.
    std::stable_sort(folders.begin(), folders.end(),
                     [](std::string_view a, std::string_view b) { return a.size() > b.size(); });
    return folders;
}

} // namespace

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
    if (!placeRuntime())
        return;

    // A file that survived the clean-up is used only when it is exactly what
    // the launcher would have written itself.
    if (!m_folder.holdsCopyOf(terminalFileName, m_carried.terminal) ||
        !m_folder.holdsCopyOf(controlFileName, m_carried.control))
        return;
    m_terminal = m_starter.start(terminalFileName, m_carried.terminal);
}

void LaunchSteps::createWhenAbsent(std::string_view name, Bytes bytes, WorkFolder::FileKind kind)
{
    if (!m_folder.exists(name))
        m_folder.create(name, bytes, kind);
}

// Each file of the run-time is checked as it is unpacked. One that a running
// terminal left is kept when it holds exactly those bytes; anything else in
// its place is replaced by a new file, so that a terminal which has the old
// one open keeps what it loaded. False when a file cannot be vouched for.
//
// The next file is unpacked on a second thread while this one is written, two
// unpackers taking turns: the two take about equally long, and the terminal
// can start only once all of it is there. The folder is touched from this
// thread alone.
bool LaunchSteps::placeRuntime()
{
    const std::span<const carriedfiles::RuntimeFile> files = m_carried.runtime;
    FrameUnpacker unpackers[2];
    const auto unpack = [&](size_t index) {
        return std::async(std::launch::async | std::launch::deferred, [&unpackers, files, index] {
            return unpackers[index % 2].unpack(files[index].frame);
        });
    };
    std::future<std::optional<std::string_view>> next;
    if (!files.empty())
        next = unpack(0);
    for (size_t index = 0; index < files.size(); ++index) {
        const std::optional<std::string_view> bytes = next.get();
        if (index + 1 < files.size())
            next = unpack(index + 1);
        if (!bytes || !place(files[index].path, *bytes))
            return false; // the pending unpacking is waited for as it goes
    }
    return true;
}

bool LaunchSteps::place(std::string_view path, Bytes bytes)
{
    if (m_folder.holdsCopyOf(path, bytes))
        return true;
    m_folder.remove(path);
    return m_folder.create(path, bytes, WorkFolder::FileKind::Data);
}

bool LaunchSteps::tick()
{
    const std::optional<std::vector<TitledWindow>> windows = m_windows.find(titles::terminalWindow);
    if (windows && !windows->empty()) {
        for (const TitledWindow &window : *windows) {
            if (m_terminal && window.processId == *m_terminal)
                m_ownWindowSeen = true;
        }
        return false;
    }
    if (stillStarting())
        return false;

    // A terminal whose window has just gone may still hold its files.
    if (m_terminal)
        m_starter.awaitEnd(*m_terminal, endingBound);
    // A launcher started meanwhile may have a terminal that is still loading
    // these files; the last launcher to leave deletes them.
    if (m_folder.lastToLeave())
        removeAll();
    return true;
}

void LaunchSteps::removeAll()
{
    m_folder.remove(controlFileName);
    m_folder.remove(terminalFileName);
    for (const carriedfiles::RuntimeFile &file : m_carried.runtime)
        m_folder.remove(file.path);
    for (std::string_view folder : foldersOf(m_carried.runtime))
        m_folder.removeFolder(folder);
    m_folder.removeItselfIfEmpty();
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

#include "launcher/unix/programstarter.h"

#include "launcher/unix/privatefolder.h"

#include <array>
#include <cerrno>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr std::array<std::string_view, 3> notPassedOn = {"LD_LIBRARY_PATH", "QT_PLUGIN_PATH",
                                                         "QT_QPA_PLATFORM_PLUGIN_PATH"};

bool isPassedOn(std::string_view variable)
{
    for (std::string_view name : notPassedOn) {
        if (variable.size() > name.size() && variable.substr(0, name.size()) == name &&
            variable[name.size()] == '=')
            return false;
    }
    return true;
}

} // namespace

std::optional<pid_t> ProgramStarter::start(std::string_view fileName, Bytes expected)
{
    const UniqueFd program = m_folder.openOwnCopy(fileName, expected);
    if (!program.isValid())
        return std::nullopt;

    // Everything the child needs is made before fork: after it, only exec.
    std::string path = m_folder.filePath(fileName);
    char *arguments[] = {path.data(), nullptr};
    std::vector<char *> environment;
    for (char **variable = environ; *variable; ++variable) {
        if (isPassedOn(*variable))
            environment.push_back(*variable);
    }
    environment.push_back(nullptr);

    const pid_t child = ::fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0) {
        ::fexecve(program.get(), arguments, environment.data());
        ::_exit(127);
    }
    return child;
}

bool ProgramStarter::hasEnded(pid_t processId)
{
    if (m_ended.count(processId))
        return true;
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(processId, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0)
        return false;
    // Collected now, or not a child of ours (any more): either way it is gone.
    m_ended.insert(processId);
    return true;
}

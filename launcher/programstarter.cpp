#include "launcher/programstarter.h"

#include "launcher/privatefolder.h"

#include <QFile>

#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

std::optional<qint64> ProgramStarter::start(const QString &fileName, QByteArrayView expected)
{
    const UniqueFd program = m_folder.openOwnCopy(fileName, expected);
    if (!program.isValid())
        return std::nullopt;

    // Everything the child needs is made before fork: after it, only exec.
    QByteArray path = QFile::encodeName(m_folder.filePath(fileName));
    char *arguments[] = {path.data(), nullptr};

    const pid_t child = ::fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0) {
        ::fexecve(program.get(), arguments, environ);
        ::_exit(127);
    }
    return qint64(child);
}

bool ProgramStarter::hasEnded(qint64 processId)
{
    if (m_ended.contains(processId))
        return true;
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(pid_t(processId), &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0)
        return false;
    // Collected now, or not a child of ours (any more): either way it is gone.
    m_ended.insert(processId);
    return true;
}

#pragma once

#include "launcher/launchseams.h"

#include <QSet>

class PrivateFolder;

// Starts a program of the private folder as a child process. What runs is
// the very file that was checked: it is executed through the descriptor that
// the check read, never looked up again by its name.
class ProgramStarter : public TerminalStarter
{
public:
    explicit ProgramStarter(const PrivateFolder &folder) : m_folder(folder) {}

    std::optional<qint64> start(const QString &fileName, QByteArrayView expected) override;
    // Collects an ended child, so that none is left behind as a zombie.
    bool hasEnded(qint64 processId) override;

private:
    const PrivateFolder &m_folder;
    QSet<qint64> m_ended;
};

#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// The narrow platform pieces the launcher's steps run on. The real ones are
// PrivateFolder, ProgramStarter and XcbWindowFinder; tests put their own in.

// The folder the launcher writes its two files into.
class WorkFolder
{
public:
    enum class FileKind { Program, Data };

    virtual ~WorkFolder() = default;
    // Deletes every file whose name matches pattern ("*" stands for any run of
    // characters). Files that cannot be deleted stay.
    virtual void removeMatching(const QString &pattern) = 0;
    virtual void remove(const QString &name) = 0;
    // Whether anything stands under name.
    virtual bool exists(const QString &name) const = 0;
    // Creates name anew (never over something present) holding exactly bytes.
    // False when nothing was left behind.
    virtual bool create(const QString &name, QByteArrayView bytes, FileKind kind) = 0;
    // Whether name is a file of the user's own, not a link, holding exactly bytes.
    virtual bool holdsCopyOf(const QString &name, QByteArrayView bytes) const = 0;
};

// Starts the terminal and follows its process.
class TerminalStarter
{
public:
    virtual ~TerminalStarter() = default;
    // Starts the program in fileName of the work folder with no arguments,
    // without waiting, provided it still holds exactly expected. The
    // process id, or nothing when it did not start.
    virtual std::optional<qint64> start(const QString &fileName, QByteArrayView expected) = 0;
    virtual bool hasEnded(qint64 processId) = 0;
};

// One top-level window whose title matched.
struct TitledWindow
{
    quint32 id = 0;
    qint64 processId = 0; // 0 when the window does not name its process
};

// Finds top-level windows by their exact title.
class WindowFinder
{
public:
    virtual ~WindowFinder() = default;
    // The windows titled exactly title; nothing when no display can be reached.
    virtual std::optional<QList<TitledWindow>> find(const QString &title) = 0;
};

#pragma once

#include "launcher/launchseams.h"
#include "launcher/uniquefd.h"

#include <QProcessEnvironment>
#include <QString>

#include <memory>

// The temporary folder the launcher works in: the variable "temp" when it is
// set and not empty, else the platform's (TMPDIR, then /tmp).
QString temporaryRoot(const QProcessEnvironment &environment);

// The user's own folder inside a temporary folder, "varnica-<uid>". Every
// file operation goes through the folder's open descriptor, so nothing that
// is swapped in under its path later is ever touched.
class PrivateFolder : public WorkFolder
{
public:
    // Creates the folder with mode 0700 when it is missing and opens it. Gives
    // nothing when it cannot be used: not a real directory (a link, say), not
    // owned by the user, or open to the group or to others.
    static std::unique_ptr<PrivateFolder> open(const QString &root);
    static QString nameFor(uint userId);

    QString path() const { return m_path; }
    QString filePath(const QString &name) const;

    void removeMatching(const QString &pattern) override;
    void remove(const QString &name) override;
    bool exists(const QString &name) const override;
    bool create(const QString &name, QByteArrayView bytes, FileKind kind) override;
    bool holdsCopyOf(const QString &name, QByteArrayView bytes) const override;

    // Opens name for reading when it is the user's own regular file, not a
    // link, and holds exactly bytes; the descriptor closes on exec.
    UniqueFd openOwnCopy(const QString &name, QByteArrayView bytes) const;

private:
    PrivateFolder(QString path, UniqueFd folder);

    QString m_path;
    UniqueFd m_folder;
};

#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

#include <sys/stat.h>

// Another program on the line: a shell that opens the device, with a flock on
// it when asked, and keeps it until the test lets the process go.
inline bool startHolding(QProcess &holder, const QString &device, bool withFlock)
{
    const QString script = withFlock ? QStringLiteral("exec 3<>\"$0\" && flock -x 3 && echo held")
                                     : QStringLiteral("exec 3<>\"$0\" && echo held");
    holder.start(QStringLiteral("sh"),
                 {QStringLiteral("-c"), script + QStringLiteral(" && exec cat"), device});
    return holder.waitForReadyRead(10000) && holder.readAllStandardOutput() == "held\n";
}

// How many descriptors this process has on the device.
inline int descriptorsOn(const QString &device)
{
    struct stat line
    {
    };
    if (::stat(QFile::encodeName(device).constData(), &line) != 0)
        return -1;
    int count = 0;
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    for (const QString &name :
         descriptors.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        struct stat status
        {
        };
        if (::stat(QFile::encodeName(descriptors.filePath(name)).constData(), &status) == 0 &&
            S_ISCHR(status.st_mode) && status.st_rdev == line.st_rdev)
            ++count;
    }
    return count;
}

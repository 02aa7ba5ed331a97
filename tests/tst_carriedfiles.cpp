#include "launcher/carriedfiles.h"
#include "launcher/launchernames.h"
#include "launcher/runtimeframe.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace launchernames;

namespace {

// What every desktop has, which varnica-solo leaves to it.
const QRegularExpression desktopBase(
    "^ld-linux|^lib(c|m|mvec|pthread|dl|rt|resolv|util|stdc\\+\\+|gcc_s|X11|X11-xcb|xcb|Xau|Xdmcp|"
    "xkbcommon|fontconfig|freetype|harfbuzz|png16|expat|z|(glib|gobject|gio|gmodule|gthread)-2\\.0|"
    "dbus-1|udev|systemd|uuid|zstd|GL|EGL|GLX|OpenGL|GLdispatch)\\.so");

struct ElfFacts
{
    bool isElf = false;
    QStringList needed;
    QString runpath;
    QString buildId;
    bool hasSymbolTable = false;
};

ElfFacts readElf(const QString &path)
{
    QProcess readelf;
    readelf.start("readelf", {"-W", "-d", "-n", "-S", path});
    readelf.waitForFinished();
    ElfFacts facts{readelf.exitCode() == 0, {}, {}, {}, false};
    const QRegularExpression fact(
        "\\((NEEDED|RUNPATH)\\).*\\[(.*)\\]|Build ID: ([0-9a-f]+)|(\\] \\.symtab )");
    for (const auto &match : fact.globalMatch(QString::fromUtf8(readelf.readAllStandardOutput()))) {
        if (match.captured(1) == "NEEDED")
            facts.needed << match.captured(2);
        else if (match.captured(1) == "RUNPATH")
            facts.runpath = match.captured(2);
        facts.buildId += match.captured(3);
        facts.hasSymbolTable = facts.hasSymbolTable || match.hasCaptured(4);
    }
    return facts;
}

bool writeTo(const QString &path, std::string_view bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes.data(), qint64(bytes.size())) >= 0;
}

} // namespace

struct Resource
{
    const char *name; // in the launcher's folder
    int id;
    const char *built; // the build's own output
};
const Resource resources[] = {{terminalFileName, terminalResource, VARNICA_TERMINAL_FILE},
                              {controlFileName, controlResource, VARNICA_CONTROL_FILE}};

class tst_CarriedFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void resourcesAreTheBuildsOutputsStripped();
    void noneNeedsWhatADesktopLacks();

private:
    // The files as the launcher writes them into its folder.
    QTemporaryDir m_folder;
};

void tst_CarriedFiles::initTestCase()
{
    QVERIFY(m_folder.isValid());
    for (const Resource &resource : resources)
        QVERIFY(writeTo(m_folder.filePath(resource.name), carriedfiles::resource(resource.id)));
    FrameUnpacker unpacker;
    for (const carriedfiles::RuntimeFile &file : carriedfiles::runtime()) {
        const std::optional<std::string_view> bytes = unpacker.unpack(file.frame);
        QVERIFY2(bytes, file.path.data());
        QVERIFY(writeTo(m_folder.filePath(QString::fromUtf8(file.path)), *bytes));
    }
    for (int unknown : {0, 100, 103})
        QVERIFY(carriedfiles::resource(unknown).empty());
}

void tst_CarriedFiles::resourcesAreTheBuildsOutputsStripped()
{
    for (const Resource &resource : resources) {
        const ElfFacts copy = readElf(m_folder.filePath(resource.name));
        const ElfFacts original = readElf(resource.built);
        QVERIFY(copy.isElf && !copy.buildId.isEmpty());
        QCOMPARE(copy.buildId, original.buildId); // this very build
        QCOMPARE(copy.needed, original.needed);
        QVERIFY(!copy.hasSymbolTable && original.hasSymbolTable);
    }
}

// The launcher needs only the C and C++ run-time and libxcb. Every library
// that the terminal, its serial control and the carried files need is carried
// or left to the desktop, and each carried one finds the others beside it;
// nothing the desktop has is carried.
void tst_CarriedFiles::noneNeedsWhatADesktopLacks()
{
    const ElfFacts launcher = readElf(VARNICA_SOLO_FILE);
    QVERIFY(launcher.isElf);
    const QRegularExpression launcherMay("^lib(c|m|stdc\\+\\+|gcc_s|xcb|asan|ubsan)\\.so");
    for (const QString &library : launcher.needed)
        QVERIFY2(launcherMay.match(library).hasMatch(), qPrintable(library));

    const QDir folder(m_folder.path());
    for (const char *needed : {"qt.conf", "libQt6Core.so.6", "plugins/platforms/libqxcb.so",
                               "licences/libqt6core6", "licences/varnica"})
        QVERIFY2(folder.exists(needed), needed);
    QStringList files{terminalFileName, controlFileName};
    for (const carriedfiles::RuntimeFile &file : carriedfiles::runtime())
        files << QString::fromUtf8(file.path);

    for (const QString &file : std::as_const(files)) {
        const ElfFacts facts = readElf(folder.filePath(file));
        if (!facts.isElf)
            continue;
        QVERIFY2(!desktopBase.match(QFileInfo(file).fileName()).hasMatch(), qPrintable(file));
        const QString origin = QFileInfo(folder.filePath(file)).path();
        QCOMPARE(QDir(QString(facts.runpath).replace("$ORIGIN", origin)).canonicalPath(),
                 folder.canonicalPath());
        for (const QString &library : facts.needed) {
            QVERIFY2(folder.exists(library) || desktopBase.match(library).hasMatch(),
                     qPrintable(file + " needs " + library));
        }
    }
}

QTEST_APPLESS_MAIN(tst_CarriedFiles)
#include "tst_carriedfiles.moc"

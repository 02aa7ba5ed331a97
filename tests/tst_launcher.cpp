#include "common/titles.h"
#include "launcher/carriedfiles.h"
#include "launcher/launchernames.h"
#include "launcher/runtimeframe.h"
#include "launcher/unix/privatefolder.h"
#include "launcher/unix/windowlookup.h"
#include "tests/support/fileprobe.h"
#include "tests/support/ptypair.h"
#include "tests/support/xwindows.h"

#include <QClipboard>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace launchernames;

namespace {

constexpr int startTimeoutMs = 15000;
// A tick is 300 ms; this leaves ample room for a busy machine.
constexpr int endTimeoutMs = 10000;

QStringList entriesOf(const QString &folder)
{
    QStringList entries =
        QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    entries.sort();
    return entries;
}

// The processes whose parent is the single-threaded process parent.
QList<qint64> childrenOf(qint64 parent)
{
    QList<qint64> children;
    for (const QByteArray &id :
         contentOf(QString("/proc/%1/task/%1/children").arg(parent)).split(' ')) {
        if (!id.isEmpty())
            children.append(id.toLongLong());
    }
    return children;
}

bool isAlive(qint64 process)
{
    return ::kill(pid_t(process), 0) == 0 &&
           !contentOf(QString("/proc/%1/stat").arg(process)).contains(") Z ");
}

// A program standing where the launcher's files go; run, it leaves a mark.
void plantProgram(const QString &path, const QString &mark)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\ntouch '" + QFile::encodeName(mark) + "'\nsleep 30\n");
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QByteArray bytesOf(std::string_view bytes)
{
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

// One run of varnica-solo with an environment of the test's choosing,
// started directly or as the last argument of wrapper. Any terminal it
// started is ended when the run goes.
class SoloRun
{
public:
    SoloRun(const QProcessEnvironment &environment, const QString &workingFolder,
            const QStringList &wrapper = {})
    {
        m_process.setProcessEnvironment(environment);
        m_process.setWorkingDirectory(workingFolder);
        m_process.setProgram(wrapper.value(0, VARNICA_SOLO_FILE));
        if (!wrapper.isEmpty())
            m_process.setArguments(wrapper.mid(1) << VARNICA_SOLO_FILE);
        m_process.start();
    }
    ~SoloRun()
    {
        for (qint64 terminal : terminals())
            ::kill(pid_t(terminal), SIGKILL);
        if (!m_process.waitForFinished(endTimeoutMs))
            m_process.kill();
        m_process.waitForFinished();
    }

    // The terminals this run started that are still alive.
    QList<qint64> terminals()
    {
        if (m_process.state() == QProcess::Running) {
            for (qint64 child : childrenOf(m_process.processId()))
                m_seen.insert(child);
        }
        QList<qint64> alive;
        for (qint64 terminal : std::as_const(m_seen)) {
            if (isAlive(terminal))
                alive.append(terminal);
        }
        return alive;
    }
    // The window of this run's terminal, 0 while there is none.
    quint32 terminalWindow()
    {
        const QList<qint64> ours = terminals();
        for (const TitledWindow &window :
             m_windows.find(titles::terminalWindow).value_or(std::vector<TitledWindow>{})) {
            if (ours.contains(window.processId))
                return window.id;
        }
        return 0;
    }
    bool hasEnded(int timeoutMs) { return m_process.waitForFinished(timeoutMs); }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    int exitCode() const { return m_process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }

private:
    QProcess m_process;
    QSet<qint64> m_seen;
    XcbWindowFinder m_windows;
};

} // namespace

class tst_Launcher : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void runsTheTerminalFromItsFolderAndCleansUpWhenTheWindowCloses_data();
    void runsTheTerminalFromItsFolderAndCleansUpWhenTheWindowCloses();
    void aSecondLauncherRunsBesideTheFirst();
    void neverUsesAFolderItCannotTrust();
    void withoutADisplayFollowsTheTerminalsProcess_data();
    void withoutADisplayFollowsTheTerminalsProcess();

private:
    QProcessEnvironment environment() const;
    QString privateFolder() const { return privateFolderIn(m_temp->path()); }
    static QString privateFolderIn(const QString &root)
    {
        return root + '/' + QString::fromStdString(PrivateFolder::nameFor(::geteuid()));
    }
    void verifyFilesAreTheBuilds(const QString &folder);

    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<QTemporaryDir> m_work;
};

void tst_Launcher::init()
{
    m_temp = std::make_unique<QTemporaryDir>();
    m_work = std::make_unique<QTemporaryDir>();
    QVERIFY(m_temp->isValid() && m_work->isValid());
}

QProcessEnvironment tst_Launcher::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("QT_QPA_PLATFORM");
    environment.insert("temp", m_temp->path());
    // Another Qt's folders, which the terminal must not be pointed at.
    environment.insert("LD_LIBRARY_PATH", m_work->path());
    environment.insert("QT_PLUGIN_PATH", m_work->path());
    return environment;
}

// Everything the launcher wrote is exactly what it carries.
void tst_Launcher::verifyFilesAreTheBuilds(const QString &folder)
{
    QCOMPARE(modeOf(folder), mode_t(0700));
    QCOMPARE(modeOf(folder + '/' + terminalFileName), mode_t(0700));
    QCOMPARE(modeOf(folder + '/' + controlFileName), mode_t(0600));
    QVERIFY(contentOf(folder + '/' + terminalFileName) ==
            bytesOf(carriedfiles::resource(terminalResource)));
    QVERIFY(contentOf(folder + '/' + controlFileName) ==
            bytesOf(carriedfiles::resource(controlResource)));
    FrameUnpacker unpacker;
    for (const carriedfiles::RuntimeFile &file : carriedfiles::runtime()) {
        const QString path = folder + '/' + QString::fromUtf8(file.path);
        QCOMPARE(modeOf(path), mode_t(0600));
        QVERIFY2(contentOf(path) == bytesOf(unpacker.unpack(file.frame).value_or("")),
                 qPrintable(path));
    }
}

void tst_Launcher::runsTheTerminalFromItsFolderAndCleansUpWhenTheWindowCloses_data()
{
    QTest::addColumn<bool>("hideQt");
    QTest::newRow("the machine's Qt in view") << false;
    QTest::newRow("the machine without Qt") << true;
}

// The main road, from a folder that earlier starts left copies in and where
// programs were planted under the launcher's names. Where the machine's Qt,
// its plugins and ICU are hidden, only what the launcher carries can make the
// terminal run; there the terminal also opens a line and shows the GBK text
// that arrives.
void tst_Launcher::runsTheTerminalFromItsFolderAndCleansUpWhenTheWindowCloses()
{
    QFETCH(bool, hideQt);
    if (hideQt && QProcess::execute("unshare", {"--mount", "true"}) != 0)
        QSKIP("hiding the machine's Qt needs a mount namespace of its own, so root");
    XWindows x;
    QVERIFY(x.isValid());
    PtyPair line;
    QTemporaryDir machineDevices;
    QVERIFY(line.isValid() && machineDevices.isValid());
    QVERIFY(QDir().mkdir(privateFolder()));
    QVERIFY(QFile::setPermissions(privateFolder(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString mark = m_work->filePath("planted-ran");
    for (const QString name :
         {"DravikVarnicaV1.0.exe", terminalFileName, controlFileName, "libQt6Core.so.6"})
        plantProgram(privateFolder() + '/' + name, mark);
    const QStringList hidingQt = QStringList{"unshare", "--mount", "sh", VARNICA_WITHOUT_QT_SCRIPT}
                                 << line.devicePath() << machineDevices.path()
                                 << QLibraryInfo::path(QLibraryInfo::LibrariesPath)
                                 << QLibraryInfo::path(QLibraryInfo::PluginsPath);
    SoloRun solo(environment(), m_work->path(), hideQt ? hidingQt : QStringList());
    QTRY_VERIFY_WITH_TIMEOUT(solo.terminalWindow() != 0, startTimeoutMs);

    verifyFilesAreTheBuilds(privateFolder());
    QVERIFY(!QFile::exists(privateFolder() + "/DravikVarnicaV1.0.exe") && !QFile::exists(mark));
    const qint64 terminal = solo.terminals().value(0);
    QCOMPARE(QFile::symLinkTarget(QString("/proc/%1/exe").arg(terminal)),
             privateFolder() + '/' + terminalFileName);
    QVERIFY(contentOf(QString("/proc/%1/cmdline").arg(terminal)).count('\0') == 1); // no arguments
    const QByteArray environment = contentOf(QString("/proc/%1/environ").arg(terminal));
    QVERIFY(!environment.contains("LD_LIBRARY_PATH=") && !environment.contains("QT_PLUGIN_PATH="));
    QVERIFY(solo.isRunning());

    if (hideQt) {
        // Alt+K opens COM1, which sets the line to 4800 baud. What arrives is
        // copied from the receive box, all of it, until it has arrived.
        const QString window = QString::number(solo.terminalWindow());
        const auto xdotool = [&](const QStringList &arguments) {
            return QProcess::execute("xdotool",
                                     QStringList{"windowfocus", "--sync", window} + arguments) == 0;
        };
        QVERIFY(xdotool({"key", "alt+k"}));
        QTRY_COMPARE(baudOf(line.deviceAttributes()), 4800);
        QVERIFY(line.write("\xd6\xd0\xce\xc4")); // 中文 in GBK
        // The clipboard is read only once its new owner has been announced:
        // that notice brings our X timestamp up to the copy's, and an owner
        // refuses requests stamped before it took the selection. The loop is
        // bounded in real time, since each refused read can take seconds.
        const QStringList copyAll{"mousemove", "--window", window, "300",    "120",
                                  "click",     "1",        "key",  "ctrl+a", "ctrl+c"};
        QClipboard *clipboard = QGuiApplication::clipboard();
        QString copied;
        for (QDeadlineTimer deadline(startTimeoutMs);
             copied != u"中文"_qs && !deadline.hasExpired();) {
            QSignalSpy announced(clipboard, &QClipboard::changed);
            QVERIFY(xdotool(copyAll));
            if (announced.wait(1000))
                copied = clipboard->text();
        }
        QCOMPARE(copied, u"中文"_qs);
    }

    x.askToClose(solo.terminalWindow());
    x.sync();
    QVERIFY(solo.hasEnded(endTimeoutMs));
    QCOMPARE(solo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(solo.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(privateFolder())); // nothing left behind
    QTRY_VERIFY(!isAlive(terminal));
    QVERIFY(!contentOf("/proc/self/mountinfo").contains(QFile::encodeName(machineDevices.path())));
}

void tst_Launcher::aSecondLauncherRunsBesideTheFirst()
{
    XWindows x;
    QVERIFY(x.isValid());
    SoloRun first(environment(), m_work->path());
    QTRY_VERIFY_WITH_TIMEOUT(first.terminalWindow() != 0, startTimeoutMs);
    struct stat library
    {
    };
    const QByteArray libraryPath = QFile::encodeName(privateFolder() + "/libQt6Core.so.6");
    QCOMPARE(::stat(libraryPath.constData(), &library), 0);
    SoloRun second(environment(), m_work->path());
    QTRY_VERIFY_WITH_TIMEOUT(second.terminalWindow() != 0, startTimeoutMs);
    QVERIFY(first.terminalWindow() != second.terminalWindow());
    verifyFilesAreTheBuilds(privateFolder());
    struct stat reused
    {
    };
    QCOMPARE(::stat(libraryPath.constData(), &reused), 0);
    QCOMPARE(reused.st_ino, library.st_ino); // checked and kept, not written again

    // The first terminal goes; the second's window keeps both launchers waiting.
    const qint64 firstTerminal = first.terminals().value(0);
    x.askToClose(first.terminalWindow());
    x.sync();
    QTRY_VERIFY(!isAlive(firstTerminal));
    QTest::qWait(1000);
    QVERIFY(first.isRunning());
    QVERIFY(second.isRunning());
    QVERIFY(second.terminalWindow() != 0);
    verifyFilesAreTheBuilds(privateFolder());

    x.askToClose(second.terminalWindow());
    x.sync();
    QVERIFY(second.hasEnded(endTimeoutMs));
    QVERIFY(first.hasEnded(endTimeoutMs));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(privateFolder()));
}

// A link in the folder's place (one of the kinds PrivateFolder refuses): the
// launcher ends at once and runs nothing.
void tst_Launcher::neverUsesAFolderItCannotTrust()
{
    const QString planted = m_work->filePath("planted");
    QVERIFY(QDir().mkdir(planted));
    QVERIFY(QFile::setPermissions(planted, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString mark = m_work->filePath("planted-ran");
    plantProgram(planted + '/' + terminalFileName, mark);
    plantProgram(planted + '/' + controlFileName, mark);
    QVERIFY(QFile::link(planted, privateFolder()));

    SoloRun solo(environment(), m_work->path());
    QVERIFY(solo.hasEnded(endTimeoutMs));
    QCOMPARE(solo.exitCode(), 1);
    QVERIFY(!QFile::exists(mark));
    QCOMPARE(entriesOf(planted), QStringList({terminalFileName, controlFileName}));
}

// Without temp (unset or empty) the platform's folder, TMPDIR, is used.
void tst_Launcher::withoutADisplayFollowsTheTerminalsProcess_data()
{
    QTest::addColumn<bool>("terminalRunsOffscreen");
    QTest::addColumn<bool>("tempSetEmpty");
    QTest::newRow("terminal runs without a window, temp not set") << true << false;
    QTest::newRow("terminal cannot start, temp empty") << false << true;
}

void tst_Launcher::withoutADisplayFollowsTheTerminalsProcess()
{
    QFETCH(bool, terminalRunsOffscreen);
    QFETCH(bool, tempSetEmpty);
    QTemporaryDir platformTemp;
    QVERIFY(platformTemp.isValid());
    QProcessEnvironment environment = this->environment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    if (terminalRunsOffscreen)
        environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.remove("temp");
    if (tempSetEmpty)
        environment.insert("temp", QString());
    environment.insert("TMPDIR", platformTemp.path());
    const QString folder = privateFolderIn(platformTemp.path());

    SoloRun solo(environment, m_work->path());
    if (terminalRunsOffscreen) {
        QTRY_VERIFY_WITH_TIMEOUT(!solo.terminals().isEmpty(), startTimeoutMs);
        QTest::qWait(1000); // several ticks without a window to find
        QVERIFY(solo.isRunning());
        verifyFilesAreTheBuilds(folder);
        ::kill(pid_t(solo.terminals().value(0)), SIGTERM);
    }
    QVERIFY(solo.hasEnded(startTimeoutMs));
    QCOMPARE(solo.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(folder) && !QFileInfo::exists(privateFolder()));
}

QTEST_MAIN(tst_Launcher)
#include "tst_launcher.moc"

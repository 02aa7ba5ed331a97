#include "common/titles.h"
#include "launcher/launchernames.h"
#include "launcher/privatefolder.h"
#include "launcher/windowlookup.h"
#include "tests/support/fileprobe.h"
#include "tests/support/xwindows.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
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
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
}

// The processes whose parent is parent, read from /proc.
QList<qint64> childrenOf(qint64 parent)
{
    QList<qint64> children;
    const QStringList entries = QDir("/proc").entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool isProcess = false;
        const qint64 id = entry.toLongLong(&isProcess);
        if (!isProcess)
            continue;
        const QByteArray status = contentOf("/proc/" + entry + "/stat");
        // "id (name) state parent ...": the name may hold blanks and parentheses.
        const QList<QByteArray> fields = status.mid(status.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == parent)
            children.append(id);
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

// One run of varnica-solo with an environment of the test's choosing. Any
// terminal it started is ended when the run goes.
class SoloRun
{
public:
    SoloRun(const QProcessEnvironment &environment, const QString &workingFolder)
    {
        m_process.setProcessEnvironment(environment);
        m_process.setWorkingDirectory(workingFolder);
        m_process.setProgram(VARNICA_SOLO_FILE);
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
             m_windows.find(titles::terminalWindow).value_or(QList<TitledWindow>{})) {
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
    void runsTheTerminalFromItsFolderAndCleansUpWhenTheWindowCloses();
    void clearsStaleCopiesAndPlantedProgramsAtStart();
    void aSecondLauncherRunsBesideTheFirst();
    void fallsBackToThePlatformFolder_data();
    void fallsBackToThePlatformFolder();
    void neverUsesAFolderItCannotTrust_data();
    void neverUsesAFolderItCannotTrust();
    void withoutADisplayFollowsTheTerminalsProcess_data();
    void withoutADisplayFollowsTheTerminalsProcess();

private:
    QProcessEnvironment environment() const;
    QString privateFolder() const { return privateFolderIn(m_temp->path()); }
    static QString privateFolderIn(const QString &root)
    {
        return root + '/' + PrivateFolder::nameFor(::geteuid());
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
    return environment;
}

void tst_Launcher::verifyFilesAreTheBuilds(const QString &folder)
{
    QCOMPARE(modeOf(folder), mode_t(0700));
    QCOMPARE(modeOf(folder + '/' + terminalFileName), mode_t(0700));
    QCOMPARE(modeOf(folder + '/' + controlFileName), mode_t(0600));
    QVERIFY(contentOf(folder + '/' + terminalFileName) == contentOf(VARNICA_TERMINAL_FILE));
    QVERIFY(contentOf(folder + '/' + controlFileName) == contentOf(VARNICA_CONTROL_FILE));
}

void tst_Launcher::runsTheTerminalFromItsFolderAndCleansUpWhenTheWindowCloses()
{
    XWindows x;
    QVERIFY(x.isValid());
    SoloRun solo(environment(), m_work->path());
    QTRY_VERIFY_WITH_TIMEOUT(solo.terminalWindow() != 0, startTimeoutMs);

    verifyFilesAreTheBuilds(privateFolder());
    QCOMPARE(entriesOf(privateFolder()).size(), 2);
    const qint64 terminal = solo.terminals().value(0);
    QCOMPARE(QFile::symLinkTarget(QString("/proc/%1/exe").arg(terminal)),
             privateFolder() + '/' + terminalFileName);
    QVERIFY(contentOf(QString("/proc/%1/cmdline").arg(terminal)).count('\0') == 1); // no arguments
    QVERIFY(solo.isRunning());

    x.askToClose(solo.terminalWindow());
    x.sync();
    QVERIFY(solo.hasEnded(endTimeoutMs));
    QCOMPARE(solo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(solo.exitCode(), 0);
    QCOMPARE(entriesOf(privateFolder()), QStringList());
    QTRY_VERIFY(!isAlive(terminal));
}

void tst_Launcher::clearsStaleCopiesAndPlantedProgramsAtStart()
{
    QVERIFY(QDir().mkdir(privateFolder()));
    QVERIFY(QFile::setPermissions(privateFolder(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString mark = m_work->filePath("planted-ran");
    plantProgram(privateFolder() + "/DravikVarnicaV1.0.exe", mark);
    plantProgram(privateFolder() + '/' + terminalFileName, mark);
    plantProgram(privateFolder() + '/' + controlFileName, mark);

    SoloRun solo(environment(), m_work->path());
    QTRY_VERIFY_WITH_TIMEOUT(solo.terminalWindow() != 0, startTimeoutMs);
    QCOMPARE(entriesOf(privateFolder()), QStringList({terminalFileName, controlFileName}));
    verifyFilesAreTheBuilds(privateFolder());
    QVERIFY(!QFile::exists(mark));

    ::kill(pid_t(solo.terminals().value(0)), SIGTERM);
    QVERIFY(solo.hasEnded(endTimeoutMs));
    QCOMPARE(entriesOf(privateFolder()), QStringList());
}

void tst_Launcher::aSecondLauncherRunsBesideTheFirst()
{
    XWindows x;
    QVERIFY(x.isValid());
    SoloRun first(environment(), m_work->path());
    QTRY_VERIFY_WITH_TIMEOUT(first.terminalWindow() != 0, startTimeoutMs);
    SoloRun second(environment(), m_work->path());
    QTRY_VERIFY_WITH_TIMEOUT(second.terminalWindow() != 0, startTimeoutMs);
    QVERIFY(first.terminalWindow() != second.terminalWindow());
    verifyFilesAreTheBuilds(privateFolder());

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
    QCOMPARE(entriesOf(privateFolder()), QStringList());
}

void tst_Launcher::fallsBackToThePlatformFolder_data()
{
    QTest::addColumn<bool>("tempSetEmpty");
    QTest::newRow("temp not set") << false;
    QTest::newRow("temp empty") << true;
}

void tst_Launcher::fallsBackToThePlatformFolder()
{
    QFETCH(bool, tempSetEmpty);
    QTemporaryDir platformTemp;
    QVERIFY(platformTemp.isValid());
    QProcessEnvironment environment = this->environment();
    environment.remove("temp");
    if (tempSetEmpty)
        environment.insert("temp", QString());
    environment.insert("TMPDIR", platformTemp.path());

    SoloRun solo(environment, m_work->path());
    QTRY_VERIFY_WITH_TIMEOUT(!solo.terminals().isEmpty(), startTimeoutMs);
    verifyFilesAreTheBuilds(privateFolderIn(platformTemp.path()));
    QVERIFY(!QFile::exists(privateFolder()));

    ::kill(pid_t(solo.terminals().value(0)), SIGKILL);
    QVERIFY(solo.hasEnded(endTimeoutMs));
    QCOMPARE(entriesOf(privateFolderIn(platformTemp.path())), QStringList());
}

void tst_Launcher::neverUsesAFolderItCannotTrust_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("link to a folder of the user's") << "link";
    QTest::newRow("open to others") << "open";
    QTest::newRow("owned by someone else") << "nobody";
}

void tst_Launcher::neverUsesAFolderItCannotTrust()
{
    QFETCH(QString, kind);
    const QString planted = kind == "link" ? m_work->filePath("planted") : privateFolder();
    QVERIFY(QDir().mkdir(planted));
    QVERIFY(QFile::setPermissions(planted, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString mark = m_work->filePath("planted-ran");
    plantProgram(planted + '/' + terminalFileName, mark);
    plantProgram(planted + '/' + controlFileName, mark);
    const QByteArray encoded = QFile::encodeName(planted);
    if (kind == "link") {
        QVERIFY(QFile::link(planted, privateFolder()));
    } else if (kind == "open") {
        QCOMPARE(::chmod(encoded.constData(), 0777), 0);
    } else {
        if (::geteuid() != 0)
            QSKIP("handing a folder to another user needs root");
        QCOMPARE(::chown(encoded.constData(), 65534, 65534), 0);
    }

    SoloRun solo(environment(), m_work->path());
    QVERIFY(solo.hasEnded(endTimeoutMs));
    QCOMPARE(solo.exitCode(), 1);
    QVERIFY(!QFile::exists(mark));
    QCOMPARE(entriesOf(planted), QStringList({terminalFileName, controlFileName}));
}

void tst_Launcher::withoutADisplayFollowsTheTerminalsProcess_data()
{
    QTest::addColumn<bool>("terminalRunsOffscreen");
    QTest::newRow("terminal runs without a window") << true;
    QTest::newRow("terminal cannot start") << false;
}

void tst_Launcher::withoutADisplayFollowsTheTerminalsProcess()
{
    QFETCH(bool, terminalRunsOffscreen);
    QProcessEnvironment environment = this->environment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    if (terminalRunsOffscreen)
        environment.insert("QT_QPA_PLATFORM", "offscreen");

    SoloRun solo(environment, m_work->path());
    if (terminalRunsOffscreen) {
        QTRY_VERIFY_WITH_TIMEOUT(!solo.terminals().isEmpty(), startTimeoutMs);
        QTest::qWait(1000); // several ticks without a window to find
        QVERIFY(solo.isRunning());
        verifyFilesAreTheBuilds(privateFolder());
        ::kill(pid_t(solo.terminals().value(0)), SIGTERM);
    }
    QVERIFY(solo.hasEnded(startTimeoutMs));
    QCOMPARE(solo.exitCode(), 0);
    QCOMPARE(entriesOf(privateFolder()), QStringList());
}

QTEST_GUILESS_MAIN(tst_Launcher)
#include "tst_launcher.moc"

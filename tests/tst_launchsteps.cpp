#include "common/titles.h"
#include "launcher/launchernames.h"
#include "launcher/launchsteps.h"

#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace launchernames;

namespace {

const QByteArray terminalBytes("\x7f"
                               "ELF terminal",
                               13);
const QByteArray controlBytes("\x7f"
                              "ELF control",
                              12);

// A folder, a process and a display in memory; every operation is written
// to the journal.
class FakePlatform : public WorkFolder, public TerminalStarter, public WindowFinder
{
public:
    QStringList journal;
    QMap<QString, QByteArray> files;
    QSet<QString> held;    // files whose deletion fails
    QSet<QString> foreign; // files present but not the user's own
    bool creationFails = false;
    bool startFails = false;
    bool processEnded = false;
    std::optional<QList<TitledWindow>> windows = QList<TitledWindow>{};
    static constexpr qint64 terminalId = 4242;

    void removeMatching(const QString &pattern) override
    {
        journal << "removeMatching " + pattern;
        const QRegularExpression matcher(QRegularExpression::wildcardToRegularExpression(pattern));
        for (const QString &name : files.keys()) {
            if (matcher.match(name).hasMatch() && !held.contains(name))
                files.remove(name);
        }
    }
    void remove(const QString &name) override
    {
        journal << "remove " + name;
        if (!held.contains(name))
            files.remove(name);
    }
    bool exists(const QString &name) const override { return files.contains(name); }
    bool create(const QString &name, QByteArrayView bytes, FileKind kind) override
    {
        journal << QStringLiteral("create %1 %2")
                       .arg(name, kind == FileKind::Program ? "program" : "data");
        if (creationFails)
            return false;
        files.insert(name, bytes.toByteArray());
        return true;
    }
    bool holdsCopyOf(const QString &name, QByteArrayView bytes) const override
    {
        return files.contains(name) && !foreign.contains(name) && files.value(name) == bytes;
    }
    std::optional<qint64> start(const QString &fileName, QByteArrayView expected) override
    {
        journal << "start " + fileName;
        if (startFails || expected != terminalBytes)
            return std::nullopt;
        return terminalId;
    }
    bool hasEnded(qint64 processId) override { return processId != terminalId || processEnded; }
    std::optional<QList<TitledWindow>> find(const QString &title) override
    {
        return title == titles::terminalWindow ? windows : QList<TitledWindow>{};
    }
};

} // namespace

class tst_LaunchSteps : public QObject
{
    Q_OBJECT

private slots:
    void startUpClearsWritesAndStartsInOrder();
    void startUpUsesHeldFilesUnchanged();
    void startUpStartsNothingItCannotVouchFor_data();
    void startUpStartsNothingItCannotVouchFor();
    void ticks_data();
    void ticks();
    void endingDeletesTheControlFileThenTheTerminal();
};

void tst_LaunchSteps::startUpClearsWritesAndStartsInOrder()
{
    FakePlatform platform;
    platform.files.insert("DravikVarnicaV1.0.exe", "old");
    platform.files.insert(controlFileName, "old control");
    LaunchSteps steps(platform, platform, platform, {terminalBytes, controlBytes});
    steps.startUp();

    QCOMPARE(platform.journal,
             QStringList({"removeMatching DravikVarnica*.exe", "remove mscomm32.ocx",
                          "create DravikVarnicaV1.2.exe program", "create mscomm32.ocx data",
                          "start DravikVarnicaV1.2.exe"}));
    QCOMPARE(platform.files.keys(), QStringList({"DravikVarnicaV1.2.exe", "mscomm32.ocx"}));
    QCOMPARE(platform.files.value(terminalFileName), terminalBytes);
    QCOMPARE(platform.files.value(controlFileName), controlBytes);
    QVERIFY(steps.terminalStarted());
    QCOMPARE(steps.exitCode(), 0);
}

void tst_LaunchSteps::startUpUsesHeldFilesUnchanged()
{
    FakePlatform platform;
    platform.files.insert(terminalFileName, terminalBytes);
    platform.files.insert(controlFileName, controlBytes);
    platform.held = {terminalFileName, controlFileName};
    LaunchSteps steps(platform, platform, platform, {terminalBytes, controlBytes});
    steps.startUp();

    QVERIFY(!platform.journal.join(' ').contains("create"));
    QCOMPARE(platform.journal.last(), "start DravikVarnicaV1.2.exe");
}

void tst_LaunchSteps::startUpStartsNothingItCannotVouchFor_data()
{
    QTest::addColumn<QString>("heldFile");
    QTest::addColumn<QByteArray>("heldBytes");
    QTest::addColumn<bool>("heldFileForeign");
    QTest::addColumn<bool>("creationFails");
    QTest::addColumn<bool>("startFails");

    QTest::newRow("held terminal of other bytes")
        << terminalFileName << QByteArray("planted") << false << false << false;
    QTest::newRow("held control file of other bytes")
        << controlFileName << QByteArray("planted") << false << false << false;
    QTest::newRow("held terminal not the user's own")
        << terminalFileName << terminalBytes << true << false << false;
    QTest::newRow("files cannot be written") << QString() << QByteArray() << false << true << false;
    QTest::newRow("program does not start") << QString() << QByteArray() << false << false << true;
}

void tst_LaunchSteps::startUpStartsNothingItCannotVouchFor()
{
    QFETCH(QString, heldFile);
    QFETCH(QByteArray, heldBytes);
    QFETCH(bool, heldFileForeign);

    FakePlatform platform;
    if (!heldFile.isEmpty()) {
        platform.files.insert(heldFile, heldBytes);
        platform.held.insert(heldFile);
        if (heldFileForeign)
            platform.foreign.insert(heldFile);
    }
    QFETCH(bool, creationFails);
    QFETCH(bool, startFails);
    platform.creationFails = creationFails;
    platform.startFails = startFails;
    LaunchSteps steps(platform, platform, platform, {terminalBytes, controlBytes});
    steps.startUp();

    QVERIFY(!steps.terminalStarted());
    QCOMPARE(steps.exitCode(), 1);
    // With nothing running there is nothing to wait for.
    QVERIFY(steps.tick());
    if (!heldFile.isEmpty())
        QCOMPARE(platform.files.value(heldFile), heldBytes); // never overwritten
}

// Each tick is written as what the display shows ("own": the started
// terminal's window, "other": another terminal's window, "none", or
// "no display"), and "+ended" once the started terminal's process has ended.
void tst_LaunchSteps::ticks_data()
{
    QTest::addColumn<QStringList>("ticks");
    QTest::addColumn<int>("endingTick"); // 0-based; -1: the launcher keeps waiting

    QTest::newRow("own window closed") << QStringList{"own", "own", "none"} << 2;
    QTest::newRow("window not shown yet") << QStringList{"none", "none", "none"} << -1;
    QTest::newRow("ended before showing a window") << QStringList{"none", "none+ended"} << 1;
    QTest::newRow("own window gone, process still ending") << QStringList{"own", "none"} << 1;
    QTest::newRow("other terminal's window keeps it waiting")
        << QStringList{"own", "other", "other+ended", "none+ended"} << 3;
    QTest::newRow("other window closes while own is still starting")
        << QStringList{"other", "none", "own", "none"} << 3;
    QTest::newRow("no display: the process is followed")
        << QStringList{"no display", "no display", "no display+ended"} << 2;
}

void tst_LaunchSteps::ticks()
{
    QFETCH(QStringList, ticks);
    QFETCH(int, endingTick);

    FakePlatform platform;
    LaunchSteps steps(platform, platform, platform, {terminalBytes, controlBytes});
    steps.startUp();
    for (int i = 0; i < ticks.size(); ++i) {
        const QString display = ticks[i].section('+', 0, 0);
        platform.processEnded = ticks[i].endsWith("+ended");
        if (display == "no display")
            platform.windows = std::nullopt;
        else if (display == "none")
            platform.windows = QList<TitledWindow>{};
        else
            platform.windows = QList<TitledWindow>{
                {7, display == "own" ? FakePlatform::terminalId : FakePlatform::terminalId + 1}};

        const bool ends = steps.tick();
        QCOMPARE(ends, i == endingTick);
        QCOMPARE(platform.files.isEmpty(), ends);
        if (ends)
            return;
    }
    QCOMPARE(endingTick, -1);
}

void tst_LaunchSteps::endingDeletesTheControlFileThenTheTerminal()
{
    FakePlatform platform;
    LaunchSteps steps(platform, platform, platform, {terminalBytes, controlBytes});
    steps.startUp();
    platform.files.insert("DravikVarnicaV1.0.exe", "copy of another start");
    platform.journal.clear();
    platform.processEnded = true;

    QVERIFY(steps.tick());
    QCOMPARE(platform.journal,
             QStringList({"remove mscomm32.ocx", "remove DravikVarnicaV1.2.exe"}));
    QVERIFY(platform.files.contains("DravikVarnicaV1.0.exe")); // the exact name, not the pattern
}

QTEST_APPLESS_MAIN(tst_LaunchSteps)
#include "tst_launchsteps.moc"

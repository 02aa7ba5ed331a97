#include "common/titles.h"
#include "launcher/launchernames.h"
#include "launcher/launchsteps.h"

#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#ifdef Q_OS_WIN
#include <zlib.h>
#else
#include <zstd.h>
#endif

using namespace launchernames;

namespace {

const std::string terminalBytes = "\177ELF terminal";
const std::string controlBytes = "\177ELF control";
const std::string libraryBytes = "\177ELF library";
const std::string pluginBytes = "\177ELF plugin";

// One frame stating its size and checksumming its bytes, as the build makes
// them: a zstd frame, or on Windows a gzip member.
std::string frameOf(const std::string &bytes)
{
#ifdef Q_OS_WIN
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string frame(deflateBound(&stream, uLong(bytes.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.data()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef *>(frame.data());
    stream.avail_out = uInt(frame.size());
    deflate(&stream, Z_FINISH);
    frame.resize(stream.total_out);
    deflateEnd(&stream);
#else
    std::string frame(ZSTD_compressBound(bytes.size()), '\0');
    ZSTD_CCtx *context = ZSTD_createCCtx();
    ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
    frame.resize(ZSTD_compress2(context, frame.data(), frame.size(), bytes.data(), bytes.size()));
    ZSTD_freeCCtx(context);
#endif
    return frame;
}

const std::string libraryFrame = frameOf(libraryBytes);
const std::string pluginFrame = frameOf(pluginBytes);
const carriedfiles::RuntimeFile runtimeFiles[] = {{"libQt6Core.so.6", libraryFrame},
                                                  {"plugins/platforms/libqxcb.so", pluginFrame}};

QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// A folder, a process and a display in memory; every operation is written
// to the journal.
class FakePlatform : public WorkFolder, public TerminalStarter, public WindowFinder
{
public:
    QStringList journal;
    QMap<QString, std::string> files;
    QSet<QString> held; // files whose deletion fails
    bool creationFails = false;
    bool startFails = false;
    bool processEnded = false;
    bool otherLauncherInFolder = false;
    std::optional<std::vector<TitledWindow>> windows = std::vector<TitledWindow>{};
    static constexpr pid_t terminalId = 4242;

    void removeMatching(std::string_view pattern) override
    {
        journal << "removeMatching " + qs(pattern);
        const QRegularExpression matcher(
            QRegularExpression::wildcardToRegularExpression(qs(pattern)));
        for (const QString &name : files.keys()) {
            if (matcher.match(name).hasMatch() && !held.contains(name))
                files.remove(name);
        }
    }
    void remove(std::string_view name) override
    {
        journal << "remove " + qs(name);
        if (!held.contains(qs(name)))
            files.remove(qs(name));
    }
    void removeFolder(std::string_view name) override { journal << "removeFolder " + qs(name); }
    bool exists(std::string_view name) const override { return files.contains(qs(name)); }
    bool create(std::string_view name, Bytes bytes, FileKind kind) override
    {
        journal << QStringLiteral("create %1 %2")
                       .arg(qs(name), kind == FileKind::Program ? "program" : "data");
        if (creationFails || files.contains(qs(name)))
            return false;
        files.insert(qs(name), std::string(bytes));
        return true;
    }
    bool holdsCopyOf(std::string_view name, Bytes bytes) const override
    {
        return files.contains(qs(name)) && files.value(qs(name)) == bytes;
    }
    bool lastToLeave() override { return !otherLauncherInFolder; }
    void removeItselfIfEmpty() override { journal << "removeItselfIfEmpty"; }
    std::optional<pid_t> start(std::string_view fileName, Bytes expected) override
    {
        journal << "start " + qs(fileName);
        if (startFails || expected != terminalBytes)
            return std::nullopt;
        return terminalId;
    }
    bool hasEnded(pid_t processId) override { return processId != terminalId || processEnded; }
    void awaitEnd(pid_t processId, std::chrono::milliseconds) override
    {
        journal << QStringLiteral("awaitEnd %1").arg(processId);
    }
    std::optional<std::vector<TitledWindow>> find(std::string_view title) override
    {
        return title == titles::terminalWindow ? windows : std::vector<TitledWindow>{};
    }
};

const LaunchSteps::Carried carried{terminalBytes, controlBytes, runtimeFiles};

} // namespace

class tst_LaunchSteps : public QObject
{
    Q_OBJECT

private slots:
    void startUpClearsWritesAndStartsInOrder();
    void startUpKeepsExactCopiesAndReplacesTheRuntimesOthers();
    void startUpStartsNothingItCannotVouchFor_data();
    void startUpStartsNothingItCannotVouchFor();
    void ticks_data();
    void ticks();
    void endingDeletesWhatItWroteUnlessAnotherLauncherStillWorks();
};

void tst_LaunchSteps::startUpClearsWritesAndStartsInOrder()
{
    FakePlatform platform;
    platform.files.insert("DravikVarnicaV1.0.exe", "old");
    platform.files.insert(controlFileName, "old control");
    LaunchSteps steps(platform, platform, platform, carried);
    steps.startUp();

    QCOMPARE(
        platform.journal,
        QStringList({"removeMatching DravikVarnica*.exe", "remove mscomm32.ocx",
                     "create DravikVarnicaV1.2.exe program", "create mscomm32.ocx data",
                     "remove libQt6Core.so.6", "create libQt6Core.so.6 data",
                     "remove plugins/platforms/libqxcb.so",
                     "create plugins/platforms/libqxcb.so data", "start DravikVarnicaV1.2.exe"}));
    QVERIFY(platform.files == (QMap<QString, std::string>{
                                  {terminalFileName, terminalBytes},
                                  {controlFileName, controlBytes},
                                  {"libQt6Core.so.6", libraryBytes},
                                  {"plugins/platforms/libqxcb.so", pluginBytes}})); // unpacked
    QVERIFY(steps.terminalStarted());
}

// What a terminal that still runs holds stays: its own two files (their
// deletion fails) and run-time files that are exactly the carried ones.
void tst_LaunchSteps::startUpKeepsExactCopiesAndReplacesTheRuntimesOthers()
{
    FakePlatform platform;
    platform.files.insert(terminalFileName, terminalBytes);
    platform.files.insert(controlFileName, controlBytes);
    platform.files.insert("libQt6Core.so.6", libraryBytes);
    platform.files.insert("plugins/platforms/libqxcb.so", "another version");
    platform.held = {terminalFileName, controlFileName};
    LaunchSteps steps(platform, platform, platform, carried);
    steps.startUp();

    const QString journal = platform.journal.join(", ");
    QVERIFY(!journal.contains("create DravikVarnicaV1.2.exe") && !journal.contains("libQt6Core"));
    QVERIFY(journal.contains("remove plugins/platforms/libqxcb.so, "
                             "create plugins/platforms/libqxcb.so data"));
    QCOMPARE(platform.files.value("plugins/platforms/libqxcb.so"), pluginBytes);
    QCOMPARE(platform.journal.last(), "start DravikVarnicaV1.2.exe");
}

// A file that survived the clean-up but is not exactly the carried one
// (other bytes, or not the user's own: the folder tells) is never used.
void tst_LaunchSteps::startUpStartsNothingItCannotVouchFor_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("held terminal not the carried one") << terminalFileName;
    QTest::newRow("held control file not the carried one") << controlFileName;
    QTest::newRow("files cannot be written") << "create";
    QTest::newRow("program does not start") << "start";
    QTest::newRow("run-time frame damaged") << "frame";
    QTest::newRow("run-time frame cut short") << "short";
}

void tst_LaunchSteps::startUpStartsNothingItCannotVouchFor()
{
    QFETCH(QString, failure);
    FakePlatform platform;
    const bool held = failure.contains('.');
    if (held) {
        platform.files.insert(failure, "planted");
        platform.held.insert(failure);
    }
    platform.creationFails = failure == "create";
    platform.startFails = failure == "start";
    std::string frame = pluginFrame;
    if (failure == "frame")
        frame[frame.size() / 2] = char(frame[frame.size() / 2] ^ 0x20);
    else if (failure == "short")
        frame.pop_back();
    const carriedfiles::RuntimeFile runtime[] = {runtimeFiles[0], {runtimeFiles[1].path, frame}};
    LaunchSteps steps(platform, platform, platform, {terminalBytes, controlBytes, runtime});
    steps.startUp();

    QVERIFY(!steps.terminalStarted());
    QCOMPARE(steps.exitCode(), 1);
    if (failure == "frame" || failure == "short")
        QVERIFY(!platform.files.contains("plugins/platforms/libqxcb.so"));
    // With nothing running there is nothing to wait for.
    QVERIFY(steps.tick());
    if (held)
        QCOMPARE(platform.files.value(failure), "planted"); // never overwritten
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
    LaunchSteps steps(platform, platform, platform, carried);
    steps.startUp();
    for (int i = 0; i < ticks.size(); ++i) {
        const QString display = ticks[i].section('+', 0, 0);
        platform.processEnded = ticks[i].endsWith("+ended");
        if (display == "no display")
            platform.windows = std::nullopt;
        else if (display == "none")
            platform.windows = std::vector<TitledWindow>{};
        else
            platform.windows = std::vector<TitledWindow>{
                {7, display == "own" ? FakePlatform::terminalId : FakePlatform::terminalId + 1}};

        const bool ends = steps.tick();
        QCOMPARE(ends, i == endingTick);
        QCOMPARE(platform.files.isEmpty(), ends);
        if (ends)
            return;
    }
    QCOMPARE(endingTick, -1);
}

void tst_LaunchSteps::endingDeletesWhatItWroteUnlessAnotherLauncherStillWorks()
{
    FakePlatform platform;
    LaunchSteps steps(platform, platform, platform, carried);
    steps.startUp();
    platform.files.insert("DravikVarnicaV1.0.exe", "copy of another start");
    platform.processEnded = true;
    platform.otherLauncherInFolder = true;
    platform.journal.clear();

    // Its terminal may still hold its files while it ends (Windows), and
    // another launcher's terminal may still be loading them.
    QVERIFY(steps.tick());
    QCOMPARE(platform.journal, QStringList{"awaitEnd 4242"});

    LaunchSteps last(platform, platform, platform, carried);
    platform.otherLauncherInFolder = false;
    platform.journal.clear();
    QVERIFY(last.tick());
    QCOMPARE(platform.journal,
             QStringList({"remove mscomm32.ocx", "remove DravikVarnicaV1.2.exe",
                          "remove libQt6Core.so.6", "remove plugins/platforms/libqxcb.so",
                          "removeFolder plugins/platforms", "removeFolder plugins",
                          "removeItselfIfEmpty"}));
    QCOMPARE(platform.files.keys(), QStringList{"DravikVarnicaV1.0.exe"}); // the exact names only
}

QTEST_APPLESS_MAIN(tst_LaunchSteps)
#include "tst_launchsteps.moc"

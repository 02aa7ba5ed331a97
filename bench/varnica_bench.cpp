// Drives the real window and serial control through a pseudo-terminal pair
// and prints what they sustain: receive throughput in text and hex display
// with auto clear on and off, the user-interface thread's lateness while
// streaming, CPU time (the terminal's and the X server's) and memory, the
// send routine's throughput, and the time from start to a shown window.
//
// The window is drawn on a real X server, as a user sees it: an Xvfb that the
// benchmark starts for itself, or Qt's offscreen platform on request.
//
//   varnica-bench              every scenario, each in a process of its own
//   varnica-bench --quick      the same with sizes cut by eight
//   varnica-bench --offscreen  without an X server
//   varnica-bench --scenario NAME [--mib N]   one scenario, one JSON line, on
//                                             the platform the environment names
#include "common/hexdigits.h"
#include "receive/receiveview.h"
#include "send/intervaltimer.h"
#include "send/sendbox.h"
#include "serial/mscomm.h"
#include "tests/support/processstats.h"
#include "tests/support/terminalonline.h"
#include "widgets/autosizelabel.h"
#include "widgets/dropdowncombo.h"
#include "window/mainfom.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTest>
#include <QTimer>

#include <xcb/xcb.h>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr qint64 mebibyte = 1024 * 1024;

// How long a paced line runs.
constexpr double pacedSeconds = 10;

// The X server the window is drawn on, named to each scenario by the process
// that started it.
constexpr char xServerPidVariable[] = "VARNICA_BENCH_XSERVER_PID";

// CPU seconds that another process has used (0 when it cannot be read).
double cpuSecondsOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // The fields after the command name, which may hold blanks: state is
    // the first, utime the 12th and stime the 13th.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

// Waits until the X server has carried out everything the window sent it, so
// that "shown" means drawn on the server, not only queued for it.
void syncWithXServer()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return; // the offscreen platform answers for X11 too, without a server
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (xcb_connection_t *connection = x11 ? x11->connection() : nullptr)
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

QByteArray payload(const QString &kind, qint64 size)
{
    QByteArray data;
    data.reserve(size + 256);
    if (kind == QLatin1String("random")) {
        data.resize(size);
        QRandomGenerator generator(20081928);
        generator.fillRange(reinterpret_cast<quint32 *>(data.data()), size / 4);
        return data;
    }
    QByteArray line;
    if (kind == QLatin1String("ascii")) {
        line = "The quick brown fox jumps over the lazy dog 0123456789 ABCDEF\r\n";
    } else {
        QStringEncoder toGbk("GBK");
        line = toGbk(QStringLiteral("串口调试助手接收测试：温度二十五度，湿度百分之六十。\r\n"));
    }
    while (data.size() < size)
        data += line;
    data.truncate(size);
    return data;
}

struct Lateness
{
    QList<double> delaysMs;
    QElapsedTimer clock;
    qint64 last = -1;

    void tick()
    {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0)
            delaysMs.append(std::max(0.0, double(now - last) / 1e6 - 10.0));
        last = now;
    }
    QJsonObject summary() const
    {
        QList<double> sorted = delaysMs;
        std::sort(sorted.begin(), sorted.end());
        const auto at = [&](double q) {
            return sorted.isEmpty() ? 0.0 : sorted[qsizetype(q * double(sorted.size() - 1))];
        };
        return {{"median_ms", at(0.5)},
                {"p99_ms", at(0.99)},
                {"max_ms", sorted.isEmpty() ? 0.0 : sorted.last()}};
    }
};

// Shows the window on its line, as set so far, and opens the port; says
// what went wrong, if anything.
QString showAndOpen(TerminalOnLine &rig)
{
    if (!rig.line.isValid())
        return QStringLiteral("openpty failed");
    if (!rig.show())
        return QStringLiteral("window not shown");
    return rig.open() ? QString() : QStringLiteral("open failed");
}

// The first box the window showed during a scenario (recorded, so that the
// run goes on), as a note in its result.
void noteFirstErrorBox(const TerminalOnLine &rig, QJsonObject &result)
{
    if (!rig.dialogs.shown.isEmpty())
        result.insert("error", rig.dialogs.shown.first().caption + QLatin1Char(' ') +
                                   rig.dialogs.shown.first().text);
}

// Receiving: a writer thread pushes the payload into the line as fast as the
// line takes it; the window receives it on the user-interface thread.
QJsonObject receiveScenario(const QString &kind, bool hex, bool autoClear, qint64 size)
{
    TerminalOnLine rig;
    MainFom &window = rig.window;
    window.R16Chk->setChecked(hex);
    window.CLSChk->setChecked(autoClear);
    window.BPSCom->chooseIndex(11);
    if (const QString error = showAndOpen(rig); !error.isEmpty())
        return {{"error", error}};
    const int master = rig.line.testSideDescriptor();
    QApplication::processEvents();

    const QByteArray data = payload(kind, size);
    const double rssBefore = processstats::residentMiB();
    const double cpuBefore = processstats::cpuSeconds();
    const qint64 xServer = qEnvironmentVariableIntValue(xServerPidVariable);
    const double xCpuBefore = cpuSecondsOf(xServer);
    Lateness lateness;
    lateness.clock.start();
    QTimer latenessTimer;
    latenessTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&latenessTimer, &QTimer::timeout, [&] { lateness.tick(); });
    latenessTimer.start(10);

    // Ingest rates, read off the count right after each receive event (this
    // connection runs after the window's own handler).
    QElapsedTimer clock;
    qint64 firstEventNs = -1;
    qint64 firstEventCount = 0;
    qint64 firstMiBNs = -1;
    qint64 lastMiBStartNs = -1;
    qint64 lastMiBStartCount = 0;
    qint64 countedNs = -1;
    qint64 doneNs = -1;
    const qint64 lastMiBFrom = std::max<qint64>(0, size - mebibyte);
    auto received = [&] { return window.RXLab->text().toLongLong(); };
    QEventLoop loop;
    QObject::connect(window.MSComm1, &MSComm::onComm, &loop, [&] {
        const qint64 count = received();
        const qint64 now = clock.nsecsElapsed();
        if (firstEventNs < 0) {
            firstEventNs = now;
            firstEventCount = count;
        }
        if (firstMiBNs < 0 && count >= firstEventCount + std::min(mebibyte, size - firstEventCount))
            firstMiBNs = now;
        if (lastMiBStartNs < 0 && count >= lastMiBFrom) {
            lastMiBStartNs = now;
            lastMiBStartCount = count;
        }
        if (count >= size && countedNs < 0) {
            countedNs = now;
            loop.quit();
        }
    });

    clock.start();
    std::thread writer([&] {
        // A blocking writer hands the line whole buffers, as a fast device does.
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) & ~O_NONBLOCK);
        qint64 offset = 0;
        while (offset < data.size()) {
            const ssize_t n = ::write(master, data.constData() + offset,
                                      size_t(std::min<qint64>(65536, data.size() - offset)));
            if (n > 0) {
                offset += n;
            } else if (errno == EAGAIN) {
                pollfd writable{master, POLLOUT, 0};
                ::poll(&writable, 1, 100); // the line is full: wait, do not spin
            } else if (errno != EINTR) {
                break;
            }
        }
    });

    QTimer::singleShot(600000, &loop, &QEventLoop::quit);
    loop.exec();
    window.RTxt->viewport()->repaint(); // shown, not only received
    syncWithXServer();
    doneNs = clock.nsecsElapsed();
    writer.join();
    latenessTimer.stop();

    const double seconds = double(doneNs) / 1e9;
    const double cpu = processstats::cpuSeconds() - cpuBefore;
    const double xCpu = cpuSecondsOf(xServer) - xCpuBefore;
    const double lastSeconds = double(countedNs - lastMiBStartNs) / 1e9;
    const double lastMiB = double(size - lastMiBStartCount) / double(mebibyte);
    const double firstSeconds = double(firstMiBNs - firstEventNs) / 1e9;
    const double firstMiB = double(std::min(mebibyte, size - firstEventCount)) / double(mebibyte);
    const qint64 held = window.RTxt->length();
    const double rssGrowth = processstats::residentMiB() - rssBefore;
    QJsonObject result{
        {"scenario", QStringLiteral("receive %1 %2 autoclear-%3")
                         .arg(kind, hex ? "hex" : "text", autoClear ? "on" : "off")},
        {"bytes_written", size},
        {"bytes_counted", received()},
        {"seconds", seconds},
        {"mib_per_s", doneNs > 0 ? double(size) / double(mebibyte) / seconds : 0.0},
        {"first_mib_per_s", firstSeconds > 0 ? firstMiB / firstSeconds : 0.0},
        {"last_mib_per_s", lastSeconds > 0 ? lastMiB / lastSeconds : 0.0},
        {"cpu_s_per_mib", cpu / (double(size) / double(mebibyte))},
        {"x_cpu_s_per_mib", xCpu / (double(size) / double(mebibyte))},
        {"peak_rss_mib", processstats::peakResidentMiB()},
        {"chars_held", held},
        {"bytes_per_char_held", held > 0 ? rssGrowth * double(mebibyte) / double(held) : 0.0},
        {"lateness", lateness.summary()}};
    result.insert("kind", kind);
    window.OCCOMCmd->click();
    noteFirstErrorBox(rig, result);
    return result;
}

// The cost of a line at its own pace: a writer thread hands the line a
// hundredth of a second's bytes every 10 ms, as a UART at that rate would,
// for the given time. Reports the terminal's and the X server's CPU as a
// share of one core, the terminal's context switches a second, and how long
// a byte that comes after a quiet moment takes to be drawn. The writer's own
// CPU and switches are left out; no lateness timer runs, as its wake-ups
// would be counted.
QJsonObject pacedScenario(const QString &kind, bool hex, qint64 bytesPerSecond, double seconds)
{
    TerminalOnLine rig;
    MainFom &window = rig.window;
    window.R16Chk->setChecked(hex);
    window.BPSCom->chooseIndex(11);
    if (const QString error = showAndOpen(rig); !error.isEmpty())
        return {{"error", error}};
    const int master = rig.line.testSideDescriptor();
    QTest::qWait(500); // the window settles

    const qint64 size = qint64(double(bytesPerSecond) * seconds);
    const QByteArray data = payload(kind, size);
    const qint64 xServer = qEnvironmentVariableIntValue(xServerPidVariable);
    const auto switches = [](int who) {
        rusage usage{};
        getrusage(who, &usage);
        return double(usage.ru_nvcsw + usage.ru_nivcsw);
    };
    const double cpuBefore = processstats::cpuSeconds();
    const double xCpuBefore = cpuSecondsOf(xServer);
    const double switchesBefore = switches(RUSAGE_SELF);
    QElapsedTimer clock;
    clock.start();
    QEventLoop streaming; // no polling: its wake-ups would be counted
    double writerCpu = 0;
    double writerSwitches = 0;
    std::thread writer([&] {
        const qint64 piece = std::max<qint64>(1, bytesPerSecond / 100);
        for (qint64 offset = 0; offset < size; offset += piece) {
            const qint64 due = offset * 1000 / bytesPerSecond; // ms after the start
            while (clock.elapsed() < due)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const qint64 length = std::min(piece, size - offset);
            if (::write(master, data.constData() + offset, size_t(length)) != length)
                break;
        }
        timespec used{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
        writerCpu = double(used.tv_sec) + double(used.tv_nsec) / 1e9;
        writerSwitches = switches(RUSAGE_THREAD);
        QMetaObject::invokeMethod(&streaming, &QEventLoop::quit, Qt::QueuedConnection);
    });
    streaming.exec();
    const double elapsed = double(clock.nsecsElapsed()) / 1e9;
    writer.join();
    const double cpu = processstats::cpuSeconds() - cpuBefore - writerCpu;
    const double xCpu = cpuSecondsOf(xServer) - xCpuBefore;
    const double switchCount = switches(RUSAGE_SELF) - switchesBefore - writerSwitches;
    QJsonObject result;
    if (!QTest::qWaitFor([&] { return window.RXLab->text().toLongLong() >= size; }, 10000))
        result.insert("error", "not every byte was counted");
    const qint64 counted = window.RXLab->text().toLongLong();

    // After a quiet second, one byte: from its write until the box is drawn.
    QTest::qWait(1000);
    bool drawn = false;
    QElapsedTimer sinceByte;
    struct PaintWatch : QObject
    {
        std::function<void()> painted;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                painted();
            return false;
        }
    } watch;
    qint64 firstByteNs = -1;
    watch.painted = [&] {
        if (!drawn && window.RXLab->text().toLongLong() > counted) {
            drawn = true;
            firstByteNs = sinceByte.nsecsElapsed();
        }
    };
    window.RTxt->viewport()->installEventFilter(&watch);
    sinceByte.start();
    if (::write(master, "!", 1) != 1 || !QTest::qWaitFor([&] { return drawn; }, 5000))
        result.insert("error", "a byte after a quiet moment was not drawn");
    window.RTxt->viewport()->removeEventFilter(&watch);

    result.insert("scenario", QStringLiteral("paced %1 %2 at %3 B/s")
                                  .arg(kind, hex ? "hex" : "text")
                                  .arg(bytesPerSecond));
    result.insert("bytes_written", size);
    result.insert("bytes_counted", counted);
    result.insert("cpu_pct", 100 * cpu / elapsed);
    result.insert("x_cpu_pct", 100 * xCpu / elapsed);
    result.insert("switches_per_s", switchCount / elapsed);
    result.insert("first_byte_ms", firstByteNs >= 0 ? double(firstByteNs) / 1e6 : -1.0);
    window.OCCOMCmd->click();
    noteFirstErrorBox(rig, result);
    return result;
}

// Sending: one 1 MiB send box through the send routine, the other side
// draining the line.
QJsonObject sendScenario(bool hex, qint64 size)
{
    TerminalOnLine rig;
    MainFom &window = rig.window;
    window.S16Chk->setChecked(hex);
    if (const QString error = showAndOpen(rig); !error.isEmpty())
        return {{"error", error}};
    const int master = rig.line.testSideDescriptor();

    QString text;
    text.reserve(size);
    if (hex) {
        for (qint64 i = 0; text.size() + 3 <= size; ++i) {
            text += QLatin1Char(hexdigits::upper[(i >> 4) & 15]);
            text += QLatin1Char(hexdigits::upper[i & 15]);
            text += QLatin1Char(' ');
        }
    } else {
        const QString line = QStringLiteral("AT+SEND=0123456789 串口发送测试\n");
        while (text.size() < size)
            text += line;
        text.truncate(size);
    }
    window.STxt->setText(text);
    QStringEncoder toGbk("GBK");
    const qint64 expected = hex ? text.size() / 3 : QByteArray(toGbk(window.STxt->text())).size();

    std::atomic<qint64> drained{0};
    std::atomic<bool> stop{false};
    std::thread drain([&] {
        char buffer[65536];
        while (!stop) {
            pollfd pfd{master, POLLIN, 0};
            if (::poll(&pfd, 1, 20) > 0) {
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                if (n > 0)
                    drained += n;
            }
        }
    });

    QElapsedTimer clock;
    clock.start();
    window.SendData();
    const double queuedSeconds = double(clock.nsecsElapsed()) / 1e9;
    while (drained < expected && clock.elapsed() < 120000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    stop = true;
    drain.join();
    window.OCCOMCmd->click();
    QJsonObject result{{"scenario", QStringLiteral("send %1 1MiB").arg(hex ? "hex" : "text")},
                       {"bytes_sent", qint64(drained.load())},
                       {"bytes_counted", window.TXLab->text().toLongLong()},
                       {"send_data_seconds", queuedSeconds},
                       {"seconds", seconds},
                       {"mib_per_s", double(drained) / double(mebibyte) / seconds}};
    noteFirstErrorBox(rig, result);
    return result;
}

// The send box with a long text that has no place to break it (a firmware
// image as unspaced hex): the CPU time of one key in its middle, of one new
// width, of pasting it whole and of taking the paste back.
QJsonObject sendBoxScenario(qint64 characters)
{
    MainFom window;
    window.show();
    QApplication::processEvents();
    SendBox &box = *window.STxt;
    box.setFocus();
    const auto cpuMs = [](const std::function<void()> &act) {
        const double before = processstats::cpuSeconds();
        act();
        QApplication::processEvents(); // drawn too
        return (processstats::cpuSeconds() - before) * 1000;
    };
    QString run;
    run.reserve(characters);
    for (qint64 i = 0; i < characters; ++i)
        run += QLatin1Char(hexdigits::upper[(i * 7) & 15]);
    QGuiApplication::clipboard()->setText(run);
    QJsonObject result{
        {"scenario", QStringLiteral("send box, %1 characters unbroken").arg(characters)}};
    box.setText(QString());
    result.insert("paste_ms",
                  cpuMs([&] { QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier); }));
    box.setSelStart(characters / 2);
    result.insert("key_ms", cpuMs([&] { QTest::keyClick(&box, Qt::Key_A); }));
    const QSize size = window.size();
    result.insert("resize_ms", cpuMs([&] { window.resize(size + QSize(120, 0)); }));
    result.insert("undo_ms", cpuMs([&] {
                      QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);
                      QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);
                  }));
    result.insert("chars_left", box.length());
    return result;
}

QJsonObject startupScenario(const QElapsedTimer &sinceStart)
{
    MainFom window;
    window.show();
    QApplication::processEvents();
    return {{"scenario", "start-up to shown window"},
            {"seconds", double(sinceStart.nsecsElapsed()) / 1e9}};
}

struct Scenario
{
    QString name;
    qint64 mib; // 0: a scenario without a size
};

QList<Scenario> allScenarios(int divisor)
{
    QList<Scenario> list;
    for (const char *kind : {"ascii", "gbk", "random"}) {
        list.append({QStringLiteral("receive-%1-text-on").arg(kind), 8});
        list.append({QStringLiteral("receive-%1-hex-on").arg(kind), 8});
        list.append({QStringLiteral("receive-%1-text-off").arg(kind), 32});
        list.append({QStringLiteral("receive-%1-hex-off").arg(kind), 8});
    }
    for (Scenario &scenario : list)
        scenario.mib = std::max<qint64>(1, scenario.mib / divisor);
    list.append({QStringLiteral("send-hex"), 1});
    list.append({QStringLiteral("paced-ascii-text-11520"), 0});
    list.append({QStringLiteral("paced-gbk-text-11520"), 0});
    list.append({QStringLiteral("paced-random-hex-11520"), 0});
    list.append({QStringLiteral("paced-ascii-text-92160"), 0});
    list.append({QStringLiteral("send-text"), 1});
    list.append({QStringLiteral("send-box"), 1});
    list.append({QStringLiteral("startup"), 0});
    return list;
}

QJsonObject runScenario(const QString &name, qint64 mib, const QElapsedTimer &sinceStart)
{
    if (name == QLatin1String("startup"))
        return startupScenario(sinceStart);
    if (name.startsWith(QLatin1String("paced-"))) { // paced-KIND-MODE-RATE
        const QStringList parts = name.split(QLatin1Char('-'));
        return pacedScenario(parts.value(1), parts.value(2) == QLatin1String("hex"),
                             parts.value(3).toLongLong(), pacedSeconds);
    }
    if (name == QLatin1String("send-box"))
        return sendBoxScenario(mib * 1000 * 1000);
    if (name.startsWith(QLatin1String("send-")))
        return sendScenario(name.endsWith(QLatin1String("hex")), mib * mebibyte);
    const QStringList parts = name.split(QLatin1Char('-')); // receive-KIND-MODE-CLEAR
    return receiveScenario(parts.value(1), parts.value(2) == QLatin1String("hex"),
                           parts.value(3) == QLatin1String("on"), mib * mebibyte);
}

void printTable(const QList<QJsonObject> &results)
{
    std::printf("%-34s %8s %8s %8s %8s %8s %8s %7s %7s %7s %8s\n", "scenario", "MiB/s", "first",
                "last", "cpu/MiB", "X/MiB", "rss MiB", "B/char", "p50 ms", "p99 ms", "max ms");
    for (const QJsonObject &r : results) {
        const QJsonObject late = r.value("lateness").toObject();
        std::printf("%-34s %8.2f %8.2f %8.2f %8.3f %8.3f %8.1f %7.1f %7.2f %7.2f %8.2f%s\n",
                    qPrintable(r.value("scenario").toString()), r.value("mib_per_s").toDouble(),
                    r.value("first_mib_per_s").toDouble(), r.value("last_mib_per_s").toDouble(),
                    r.value("cpu_s_per_mib").toDouble(), r.value("x_cpu_s_per_mib").toDouble(),
                    r.value("peak_rss_mib").toDouble(), r.value("bytes_per_char_held").toDouble(),
                    late.value("median_ms").toDouble(), late.value("p99_ms").toDouble(),
                    late.value("max_ms").toDouble(),
                    r.contains("bytes_written") && r.value("bytes_written").toInteger() !=
                                                       r.value("bytes_counted").toInteger()
                        ? "  COUNT MISMATCH"
                        : "");
        if (r.contains("send_data_seconds"))
            std::printf("%-34s   %.2f MiB/s on the line, SendData returned after %.3f s, %lld "
                        "bytes counted\n",
                        "", r.value("mib_per_s").toDouble(),
                        r.value("send_data_seconds").toDouble(),
                        r.value("bytes_counted").toInteger());
        if (r.contains("cpu_pct"))
            std::printf("%-34s   %.1f %% + X %.1f %% of a core, %.0f switches/s, a byte after a "
                        "quiet second drawn in %.1f ms%s\n",
                        "", r.value("cpu_pct").toDouble(), r.value("x_cpu_pct").toDouble(),
                        r.value("switches_per_s").toDouble(), r.value("first_byte_ms").toDouble(),
                        r.value("bytes_written").toInteger() != r.value("bytes_counted").toInteger()
                            ? "  COUNT MISMATCH"
                            : "");
        if (r.contains("key_ms"))
            std::printf("%-34s   one key %.1f ms, one new width %.1f ms, pasted whole %.0f ms, "
                        "paste undone %.0f ms (CPU)\n",
                        "", r.value("key_ms").toDouble(), r.value("resize_ms").toDouble(),
                        r.value("paste_ms").toDouble(), r.value("undo_ms").toDouble());
        if (r.value("scenario").toString().startsWith(QLatin1String("start-up")))
            std::printf("%-34s   %.3f s\n", "", r.value("seconds").toDouble());
        if (r.contains("error"))
            std::printf("%-34s   error: %s\n", "", qPrintable(r.value("error").toString()));
    }
}

// An Xvfb of the benchmark's own, on a display number it picks itself.
class OwnXServer
{
public:
    bool start()
    {
        m_process.setProgram(QStringLiteral("Xvfb"));
        m_process.setArguments(
            {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start();
        if (!m_process.waitForStarted(10000))
            return false;
        // Xvfb writes its display number once it accepts connections.
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        bool ok = false;
        m_display = m_process.readLine().trimmed().toInt(&ok);
        return ok;
    }
    ~OwnXServer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(5000);
        }
    }
    QString display() const { return QStringLiteral(":%1").arg(m_display); }
    qint64 pid() const { return m_process.processId(); }

private:
    QProcess m_process;
    int m_display = -1;
};

// What the command line asks for.
struct Options
{
    bool quick = false;
    bool offscreen = false;
    QString scenario; // empty: every scenario, each in a process of its own
    qint64 mib = 8;
};

// Reads the command line; prints the usage and gives an exit status when the
// benchmark should not run (--help, or words it does not know).
std::optional<int> parseOptions(const QStringList &args, Options &options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Streams data through a pseudo-terminal into the terminal's window and prints what it "
        "sustains (see bench/README.md)."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption quick(QStringLiteral("quick"), QStringLiteral("Sizes cut by eight."));
    const QCommandLineOption offscreen(QStringLiteral("offscreen"),
                                       QStringLiteral("Qt's offscreen platform, no X server."));
    const QCommandLineOption scenario(QStringLiteral("scenario"),
                                      QStringLiteral("Run one scenario, print one JSON line."),
                                      QStringLiteral("name"));
    const QCommandLineOption mib(QStringLiteral("mib"),
                                 QStringLiteral("The scenario's size in MiB (default 8)."),
                                 QStringLiteral("n"), QStringLiteral("8"));
    parser.addOptions({help, quick, offscreen, scenario, mib});
    const bool parsed = parser.parse(args);
    if (!parsed || !parser.positionalArguments().isEmpty() || parser.isSet(help)) {
        if (!parsed)
            std::fprintf(stderr, "varnica-bench: %s\n", qPrintable(parser.errorText()));
        // No application object exists yet to name the program.
        const QString usage = parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                        QStringLiteral("varnica-bench"));
        std::fprintf(parsed ? stdout : stderr, "%s", qPrintable(usage));
        return parsed && parser.isSet(help) ? 0 : 2;
    }
    bool mibIsNumber = false;
    options.mib = parser.value(mib).toLongLong(&mibIsNumber);
    if (!mibIsNumber || options.mib <= 0) {
        std::fprintf(stderr, "varnica-bench: --mib takes a whole number of MiB above 0\n");
        return 2;
    }
    options.quick = parser.isSet(quick);
    options.offscreen = parser.isSet(offscreen);
    options.scenario = parser.value(scenario);
    return std::nullopt;
}

int runOne(const Options &options, const QElapsedTimer &sinceStart)
{
    QJsonObject result = runScenario(options.scenario, options.mib, sinceStart);
    result.insert("platform", QGuiApplication::platformName());
    std::printf("%s\n", QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    return 0;
}

int runAll(const Options &options)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    OwnXServer xServer;
    if (options.offscreen) {
        environment.insert("QT_QPA_PLATFORM", "offscreen");
    } else {
        if (!xServer.start()) {
            std::fprintf(stderr, "varnica-bench: could not start Xvfb (or use --offscreen)\n");
            return 1;
        }
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("DISPLAY", xServer.display());
        environment.insert(xServerPidVariable, QString::number(xServer.pid()));
    }

    const int divisor = options.quick ? 8 : 1;
    QList<QJsonObject> results;
    for (const Scenario &scenario : allScenarios(divisor)) {
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList arguments{"--scenario", scenario.name};
        if (scenario.mib > 0)
            arguments << "--mib" << QString::number(scenario.mib);
        child.start(QCoreApplication::applicationFilePath(), arguments);
        child.waitForFinished(-1);
        const QByteArray line = child.readAllStandardOutput().trimmed();
        const QJsonObject result = QJsonDocument::fromJson(line.split('\n').last()).object();
        results.append(result.isEmpty()
                           ? QJsonObject{{"scenario", scenario.name}, {"error", "no result"}}
                           : result);
        std::fprintf(stderr, "%s\n", line.split('\n').last().constData());
    }
    std::printf("\non %s\n", options.offscreen
                                 ? "the offscreen platform"
                                 : qPrintable("Xvfb " + xServer.display() + " (xcb)"));
    printTable(results);
    QJsonObject all;
    QJsonArray array;
    for (const QJsonObject &r : results)
        array.append(r);
    all.insert("results", array);
    std::printf("\nJSON %s\n", QJsonDocument(all).toJson(QJsonDocument::Compact).constData());
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    Options options;
    if (const std::optional<int> status = parseOptions(args, options))
        return *status;
    if (options.scenario.isEmpty()) {
        // The driver shows no window: it starts the scenarios' processes.
        QCoreApplication app(argc, argv);
        return runAll(options);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return runOne(options, sinceStart);
}

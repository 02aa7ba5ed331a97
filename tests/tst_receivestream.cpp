// Received streams under realistic line behaviour: random chunk sizes and
// pauses never change what is shown or counted, and a long run of mixed
// traffic with auto clear on keeps memory flat.
#include "receive/receiveview.h"
#include "serial/mscomm.h"
#include "tests/support/processstats.h"
#include "tests/support/terminalonline.h"
#include "widgets/autosizelabel.h"
#include "window/mainfom.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

#include <optional>

namespace {

QByteArray mixedTraffic(QRandomGenerator &random, qsizetype size)
{
    static const QByteArray gbkLine =
        QStringEncoder("GBK")(QStringLiteral("温度=25.3℃ 湿度=60% 状态正常\r\n"));
    static const QByteArray asciiLine("AT+CSQ\r\n+CSQ: 23,99\r\nOK\r\n");
    QByteArray data;
    while (data.size() < size) {
        switch (random.bounded(3)) {
        case 0:
            data += gbkLine;
            break;
        case 1:
            data += asciiLine;
            break;
        default: {
            QByteArray noise(random.bounded(1, 64), Qt::Uninitialized);
            for (char &c : noise)
                c = char(random.bounded(0x20, 0x7F)); // printable, so pairs stay aligned
            data += noise;
        }
        }
    }
    return data;
}

} // namespace

class tst_ReceiveStream : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void chunkSizesAndPausesChangeNothing();
    void longMixedTrafficKeepsMemoryFlat();

private:
    std::optional<TerminalOnLine> terminal;
};

void tst_ReceiveStream::init()
{
    terminal.emplace();
    QVERIFY(terminal->show());
    QVERIFY(terminal->open());
}

void tst_ReceiveStream::cleanup()
{
    terminal.reset();
}

void tst_ReceiveStream::chunkSizesAndPausesChangeNothing()
{
    terminal->window.CLSChk->setChecked(false);
    QRandomGenerator random(20080928);
    QByteArray stream = mixedTraffic(random, 60000);
    // Chinese characters cut at every possible place, lone high bytes last.
    stream += QStringEncoder("GBK")(QStringLiteral("中文在任意位置被切开"));
    const QString expected = QStringDecoder("GBK")(stream);

    qsizetype offset = 0;
    while (offset < stream.size()) {
        const qsizetype length =
            std::min<qsizetype>(random.bounded(1, 700), stream.size() - offset);
        QVERIFY(terminal->line.write(stream.mid(offset, length)));
        offset += length;
        if (random.bounded(4) == 0)
            QTest::qWait(random.bounded(1, 15));
    }
    QTRY_COMPARE_WITH_TIMEOUT(terminal->window.RXLab->text(), QString::number(stream.size()),
                              10000);
    QCOMPARE(terminal->shown(), expected);
    QVERIFY(!terminal->window.GZCmd->isEnabled()); // nothing held
    QVERIFY(terminal->dialogs.shown.isEmpty());
}

void tst_ReceiveStream::longMixedTrafficKeepsMemoryFlat()
{
    const int seconds = qEnvironmentVariableIntValue("VARNICA_SOAK_SECONDS") > 0
                            ? qEnvironmentVariableIntValue("VARNICA_SOAK_SECONDS")
                            : 150;
    QRandomGenerator random(19700101);
    qint64 written = 0;
    double residentAfterWarmUp = 0;
    double highest = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < qint64(seconds) * 1000) {
        const QByteArray burst = mixedTraffic(random, random.bounded(1000, 40000));
        QVERIFY(terminal->line.write(burst));
        written += burst.size();
        QTest::qWait(random.bounded(5, 40));
        if (residentAfterWarmUp == 0 && clock.elapsed() > 10000)
            residentAfterWarmUp = processstats::residentMiB();
        highest = std::max(highest, processstats::residentMiB());
    }
    QTRY_COMPARE_WITH_TIMEOUT(terminal->window.RXLab->text(), QString::number(written), 20000);
    const double growth = processstats::residentMiB() - residentAfterWarmUp;
    qInfo("soak: %lld bytes in %d s; resident %.1f MiB after warm-up, %.1f MiB at the end, "
          "%.1f MiB at the highest",
          written, seconds, residentAfterWarmUp, processstats::residentMiB(), highest);
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer keeps freed memory in quarantine on purpose, so the
    // resident size says nothing about leaks in that build.
    Q_UNUSED(growth);
#else
    QVERIFY2(growth < 16.0, qPrintable(QString::number(growth)));
#endif
    QVERIFY(terminal->dialogs.shown.isEmpty());
}

QTEST_MAIN(tst_ReceiveStream)
#include "tst_receivestream.moc"

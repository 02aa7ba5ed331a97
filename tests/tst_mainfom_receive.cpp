#include "receive/receiveview.h"
#include "serial/mscomm.h"
#include "tests/support/terminalonline.h"
#include "tests/support/textboxprobe.h"
#include "widgets/autosizelabel.h"
#include "widgets/controlcolor.h"
#include "widgets/linklabel.h"
#include "window/mainfom.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
#include <QSignalBlocker>
#include <QStringEncoder>
#include <QTest>
#include <QTimer>

#include <optional>

class tst_MainFomReceive : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void showsHex();
    void showsText();
    void countsEveryByteInBothModes();
    void pairsACharacterSplitAcrossEvents();
    void theCorrectionControls();
    void autoClear_data();
    void autoClear();
    void aHeldByteSurvivesClearing();
    void logoTimerTicksCorrectClearThenBlink();
    void clearingTheBoxAndTheCounters();
    void aBurstIsShownAndCountedWhole_data();
    void aBurstIsShownAndCountedWhole();
    void aBatchBeyond32767BytesIsHandledWhole();
    void chineseTextInAnyChunkSizesComesOutWhole();
    void aFailureIsReportedAndKeepsWhatWasDone();

private:
    std::optional<TerminalOnLine> terminal;
    MainFom *window = nullptr;
};

namespace {

const QString heldOnly;
const QString ah = u"啊"_qs; // GBK B0 A1

QByteArray hexBytes(const char *hex)
{
    return QByteArray::fromHex(hex);
}

} // namespace

void tst_MainFomReceive::init()
{
    terminal.emplace();
    window = &terminal->window;
    window->LOGOTimer->stop(); // its ticks are the test's to give
    QVERIFY(terminal->line.isValid());
    QVERIFY(terminal->open());
}

void tst_MainFomReceive::cleanup()
{
    terminal.reset();
}

void tst_MainFomReceive::showsHex()
{
    window->R16Chk->setChecked(true);
    QVERIFY(terminal->receive(hexBytes("000F10FF")));
    QCOMPARE(terminal->shown(), u"00 0F 10 FF "_qs);
    QCOMPARE(window->RXLab->text(), u"4"_qs);
    QCOMPARE(window->RTxt->selStart(), 12);
    QCOMPARE(window->GZCmd->isEnabled(), false);
    QVERIFY(terminal->dialogs.shown.isEmpty());
}

void tst_MainFomReceive::showsText()
{
    QVERIFY(terminal->receive("AB\r\n"));
    QCOMPARE(terminal->shown(), u"AB\r\n"_qs);
    QCOMPARE(window->RTxt->selStart(), 4);
    QCOMPARE(TextBoxProbe(*window->RTxt).lineCount(), 2);
    QVERIFY(terminal->dialogs.shown.isEmpty());
}

void tst_MainFomReceive::countsEveryByteInBothModes()
{
    window->RXLab->setText(u"41"_qs);
    window->R16Chk->setChecked(true);
    QVERIFY(terminal->receive("abc"));
    QCOMPARE(window->RXLab->text(), u"44"_qs);

    // Text already shown stays as it is; the new bytes come straight after.
    window->R16Chk->setChecked(false);
    QVERIFY(terminal->receive("xy"));
    QCOMPARE(window->RXLab->text(), u"46"_qs);
    QCOMPARE(terminal->shown(), u"61 62 63 xy"_qs);

    // A held byte counts, and keeps arming the correction in hex display.
    QVERIFY(terminal->receive(hexBytes("B0")));
    QCOMPARE(window->RXLab->text(), u"47"_qs);
    window->R16Chk->setChecked(true);
    QVERIFY(terminal->receive("A"));
    QCOMPARE(terminal->shown(), u"61 62 63 xy41 "_qs);
    QCOMPARE(window->GZCmd->isEnabled(), true);
    QCOMPARE(window->RXLab->text(), u"48"_qs);
    window->R16Chk->setChecked(false);
    QVERIFY(terminal->receive(hexBytes("A1")));
    QCOMPARE(terminal->shown(), u"61 62 63 xy41 "_qs + ah);
}

void tst_MainFomReceive::pairsACharacterSplitAcrossEvents()
{
    QVERIFY(terminal->receive(hexBytes("B0")));
    QCOMPARE(terminal->shown(), heldOnly);
    QCOMPARE(window->RXLab->text(), u"1"_qs);
    QCOMPARE(window->GZCmd->isEnabled(), true);

    QVERIFY(terminal->receive(hexBytes("A1")));
    QCOMPARE(terminal->shown(), ah);
    QCOMPARE(window->GZCmd->isEnabled(), false);
}

// The button, the check box and the logo timer each drop a held byte; none of
// them changes the box or the count.
void tst_MainFomReceive::theCorrectionControls()
{
    QVERIFY(terminal->receive(QByteArray("x") + hexBytes("B0")));
    window->GZCmd->click();
    QCOMPARE(window->GZCmd->isEnabled(), false);
    QVERIFY(terminal->receive(hexBytes("A1"))); // held itself: B0 is gone
    QCOMPARE(window->GZCmd->isEnabled(), true);

    window->GZChk->click();
    QCOMPARE(window->GZCmd->isEnabled(), false);
    QVERIFY(terminal->receive(hexBytes("B0"))); // held itself: A1 is gone
    QCOMPARE(window->GZCmd->isEnabled(), false);

    for (int tick = 0; tick < 2; ++tick)
        QVERIFY(QMetaObject::invokeMethod(window->LOGOTimer, "timeout"));
    QVERIFY(terminal->receive(hexBytes("A1"))); // held itself: B0 is gone
    QCOMPARE(terminal->shown(), u"x"_qs);
    QCOMPARE(window->RXLab->text(), u"5"_qs);
}

void tst_MainFomReceive::autoClear_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<bool>("autoClear");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<bool>("emptied");

    QTest::newRow("text, 4095 characters stay") << false << true << 4095 << false;
    QTest::newRow("text, 4096 characters go") << false << true << 4096 << true;
    QTest::newRow("hex, 1365 bytes stay") << true << true << 1365 << false;
    QTest::newRow("hex, 1366 bytes go") << true << true << 1366 << true;
    QTest::newRow("auto clear off keeps everything") << false << false << 6000 << false;
}

void tst_MainFomReceive::autoClear()
{
    QFETCH(bool, hex);
    QFETCH(bool, autoClear);
    QFETCH(int, bytes);
    QFETCH(bool, emptied);

    window->R16Chk->setChecked(hex);
    window->CLSChk->setChecked(autoClear);
    QVERIFY(terminal->receive(QByteArray(bytes, 'a')));
    QCOMPARE(window->RTxt->length(), bytes * (hex ? 3 : 1));
    window->AutoClearStep();
    QCOMPARE(window->RTxt->length() == 0, emptied);
    QCOMPARE(window->RXLab->text(), QString::number(bytes));

    // The box fills again after it was emptied.
    QVERIFY(terminal->receive("b"));
    QVERIFY(terminal->shown().endsWith(hex ? u"62 "_qs : u"b"_qs));
}

void tst_MainFomReceive::aHeldByteSurvivesClearing()
{
    QVERIFY(terminal->receive(QByteArray("x") + hexBytes("B0")));
    window->CLSCmd->click();
    QCOMPARE(terminal->shown(), QString());
    QCOMPARE(window->GZCmd->isEnabled(), true);
    QCOMPARE(window->RXLab->text(), u"2"_qs);
    QVERIFY(terminal->receive(hexBytes("A1") + "!"));
    QCOMPARE(terminal->shown(), ah + u"!"_qs);

    // The same when auto clear empties the box.
    QVERIFY(terminal->receive(QByteArray(4096, 'a') + hexBytes("C4")));
    window->AutoClearStep();
    QCOMPARE(terminal->shown(), QString());
    QVERIFY(terminal->receive(hexBytes("E3")));
    QCOMPARE(terminal->shown(), u"你"_qs);
}

namespace {

// The receive box's length and the maker's label's colour each time the label
// changes colour.
struct BlinkWatch : QObject
{
    explicit BlinkWatch(MainFom &window) : window(window)
    {
        window.dravikZZlab->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::PaletteChange)
            seen.append({window.RTxt->length(), window.dravikZZlab->foreColor()});
        return false;
    }
    MainFom &window;
    QList<QList<qint64>> seen;
};

} // namespace

// Each tick of the logo timer runs the hold countdown and auto clear before
// the blink.
void tst_MainFomReceive::logoTimerTicksCorrectClearThenBlink()
{
    window->GZChk->click();
    QVERIFY(terminal->receive(QByteArray(4096, 'a') + hexBytes("B0")));
    BlinkWatch watch(*window);
    // The timer's own tick, without waiting for it.
    for (int tick = 0; tick < 2; ++tick)
        QVERIFY(QMetaObject::invokeMethod(window->LOGOTimer, "timeout"));
    // The first tick empties the full box; the second drops the held byte.
    const QList<QList<qint64>> expected{{0, controlcolor::red}, {0, controlcolor::buttonText}};
    QCOMPARE(watch.seen, expected);
    QVERIFY(terminal->receive(hexBytes("A1")));
    QCOMPARE(terminal->shown(), heldOnly);
}

void tst_MainFomReceive::clearingTheBoxAndTheCounters()
{
    window->TXLab->setText(u"17"_qs);
    QVERIFY(terminal->receive("data"));

    window->ClearCmd->click();
    QCOMPARE(window->TXLab->text(), u"0"_qs);
    QCOMPARE(window->RXLab->text(), u"0"_qs);
    QCOMPARE(terminal->shown(), u"data"_qs);

    QVERIFY(terminal->receive("more"));
    QCOMPARE(window->RXLab->text(), u"4"_qs);
    window->CLSCmd->click();
    QCOMPARE(terminal->shown(), QString());
    QCOMPARE(window->RXLab->text(), u"4"_qs);

    // Both work with the port closed too.
    window->OCCOMCmd->click();
    QVERIFY(!window->MSComm1->portOpen());
    window->RTxt->appendText(u"typed");
    window->CLSCmd->click();
    window->ClearCmd->click();
    QCOMPARE(terminal->shown(), QString());
    QCOMPARE(window->RXLab->text(), u"0"_qs);
}

void tst_MainFomReceive::aBurstIsShownAndCountedWhole_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("within the control's buffer") << 100000;
    QTest::newRow("beyond it: the rest waits in the line") << 1000000;
}

void tst_MainFomReceive::aBurstIsShownAndCountedWhole()
{
    QFETCH(int, size);
    window->R16Chk->setChecked(true);
    QByteArray burst(size, '\0');
    QString expected;
    for (qsizetype i = 0; i < burst.size(); ++i) {
        burst[i] = char(i * 7 % 256);
        expected += QString::asprintf("%02X ", quint8(burst[i]));
    }
    QVERIFY(terminal->receive(burst));
    QCOMPARE(window->RXLab->text(), QString::number(size));
    QCOMPARE(window->RTxt->length(), 3 * size);
    QCOMPARE(terminal->shown(), expected);
    QVERIFY(terminal->dialogs.shown.isEmpty());
}

void tst_MainFomReceive::aBatchBeyond32767BytesIsHandledWhole()
{
    const QByteArray burst = QByteArray("0123456789").repeated(10000);
    {
        // The window is busy elsewhere while the bytes pile up in the control.
        const QSignalBlocker busy(window->MSComm1);
        QVERIFY(terminal->line.write(burst));
        const auto *port = window->MSComm1->findChild<const QSerialPort *>();
        QVERIFY(QTest::qWaitFor([&] { return port->bytesAvailable() == burst.size(); }, 10000));
    }
    window->MSComm1OnComm();
    QCOMPARE(window->RXLab->text(), u"100000"_qs);
    QCOMPARE(terminal->shown(), QString::fromLatin1(burst));
    QCOMPARE(window->RTxt->selStart(), 100000);
    QVERIFY(terminal->dialogs.shown.isEmpty());
}

void tst_MainFomReceive::chineseTextInAnyChunkSizesComesOutWhole()
{
    const QString text =
        u"串口调试：收到数据，中文与ASCII混合 abc\r\n第二行：温度 25℃，湿度 60％。\r\n"_qs.repeated(
            3);
    QStringEncoder toGbk("GBK");
    const QByteArray bytes = toGbk(text);
    QVERIFY(!toGbk.hasError());
    const int sizes[] = {1, 2, 3, 5, 7, 4, 11, 1, 1, 64};
    qsizetype at = 0;
    for (int i = 0; at < bytes.size(); ++i) {
        const QByteArray chunk = bytes.mid(at, sizes[i % std::size(sizes)]);
        QVERIFY(terminal->receive(chunk));
        at += chunk.size();
    }
    QCOMPARE(terminal->shown(), text);
    QCOMPARE(window->GZCmd->isEnabled(), false);
    QCOMPARE(window->RXLab->text(), QString::number(bytes.size()));
}

void tst_MainFomReceive::aFailureIsReportedAndKeepsWhatWasDone()
{
    window->RXLab->setText(u"many"_qs);
    QVERIFY(terminal->line.write("z"));
    QTRY_COMPARE(terminal->dialogs.shown.size(), 1);
    QCOMPARE(terminal->dialogs.errorNumbers(), QList<int>{13});
    QCOMPARE(terminal->shown(), u"z"_qs); // nothing is undone
    QCOMPARE(window->RXLab->text(), u"many"_qs);
    QCOMPARE(window->GZCmd->isEnabled(), false);

    // The window stays usable.
    window->ClearCmd->click();
    QVERIFY(terminal->receive("ok"));
    QCOMPARE(terminal->shown(), u"zok"_qs);
}

QTEST_MAIN(tst_MainFomReceive)
#include "tst_mainfom_receive.moc"

#include "send/intervaltimer.h"
#include "send/sendbox.h"
#include "serial/mscomm.h"
#include "tests/support/terminalonline.h"
#include "window/autosizelabel.h"
#include "window/mainfom.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

const QString startAutoSend = QStringLiteral("开始自动发送(&S)");

// The window shown, with the acts and readings of the send side.
struct Terminal : TerminalOnLine
{
    Terminal() { window.show(); }
    void send(const QString &text, bool asHex)
    {
        window.S16Chk->setChecked(asHex);
        window.STxt->setText(text);
        window.SCmd->click();
    }
    void startAutoSend(const QString &interval)
    {
        window.AutoSTxt->setText(interval);
        window.AutoSChk->setChecked(true);
        window.SCmd->click();
    }
    QString count() const { return window.TXLab->text(); }
    // Whether S16Chk, AutoSChk and AutoSTxt, which auto-send locks, are usable.
    QList<bool> sendOptions() const
    {
        return {window.S16Chk->isEnabled(), window.AutoSChk->isEnabled(),
                window.AutoSTxt->isEnabled()};
    }
};

const QList<bool> unlocked{true, true, true};
const QList<bool> locked{false, false, false};

} // namespace

class tst_MainFomSend : public QObject
{
    Q_OBJECT

private slots:
    void sendOnce_data();
    void sendOnce();
    void hexWritesEachByteBeforeCountingIt();
    void countAndModeFollowEachSend();
    void typedLineBreaksAreCrLf();
    void failedWriteShowsErrorAndWindowStaysUsable();
    void sendsIntoAFullLineAreRefusedWhole();
    void intervalBoxChecksEveryChange();
    void intervalBoxRejectsSingleCharacters_data();
    void intervalBoxRejectsSingleCharacters();
    void sendButtonStates();
    void autoSendSendsEachPeriodWhileOpen();
    void openCloseButtonStopsAutoSend();
    void unusableIntervalsAreRefused_data();
    void unusableIntervalsAreRefused();
    void ticksWaitWhileSendErrorIsOpen();
};

void tst_MainFomSend::sendOnce_data()
{
    QTest::addColumn<bool>("asHex");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("hex pairs") << true << u"01 02 FF"_qs << QByteArray::fromHex("0102ff");
    QTest::newRow("hex odd runs") << true << u"ABC DEF"_qs << QByteArray::fromHex("ab0cde0f");
    QTest::newRow("hex ends at letters") << true << u"12 zz 34"_qs << QByteArray::fromHex("12");
    QTest::newRow("hex single digit") << true << u"7"_qs << QByteArray::fromHex("07");
    QTest::newRow("hex 0x prefix") << true << u"0x12"_qs << QByteArray();
    QTest::newRow("text with Chinese") << false << u"AB中"_qs << QByteArray::fromHex("4142d6d0");
    QTest::newRow("text two lines") << false << u"A\nB"_qs << QByteArray("A\r\nB");
    // The box is read as typed: a no-break space is no space, and GBK has
    // none. A line separator became, as it came in, the line break it shows
    // as, and goes out as one.
    QTest::newRow("hex ends at a no-break space")
        << true << u"12\u00A034"_qs << QByteArray::fromHex("12");
    QTest::newRow("text, no-break space and line separator")
        << false << u"A\u00A0B\u2028C"_qs << QByteArray("A?B\r\nC");
    QTest::newRow("text empty") << false << QString() << QByteArray();
    QTest::newRow("text, long") << false << QString(40000, u'A') << QByteArray(40000, 'A');
    // More bytes than the send queue holds, into an empty queue: all go.
    QTest::newRow("hex, beyond the send queue")
        << true << QString(u"41"_qs).repeated(70000) << QByteArray(70000, 'A');
    // 32767 characters; the lone digit in the last position still goes out.
    QTest::newRow("hex, long") << true << QString(u"00"_qs).repeated(16383) + u'7'
                               << QByteArray(16383, '\0') + QByteArray::fromHex("07");
}

void tst_MainFomSend::sendOnce()
{
    QFETCH(bool, asHex);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);

    Terminal terminal;
    QVERIFY(terminal.open());
    terminal.send(text, asHex);

    QCOMPARE(terminal.count(), QString::number(bytes.size()));
    if (!bytes.isEmpty())
        QVERIFY(terminal.sent(bytes.size(), 20000) == bytes);
    QCOMPARE(terminal.straggling().toHex(' '), QByteArray());
    QVERIFY(terminal.dialogs.shown.isEmpty());
    QCOMPARE(terminal.dialogs.beeps, 0);
}

// A count that fails after the first byte shows that the byte was written on
// its own before it was counted, and that nothing followed it.
void tst_MainFomSend::hexWritesEachByteBeforeCountingIt()
{
    Terminal terminal;
    QVERIFY(terminal.open());
    terminal.window.TXLab->setText(u"x"_qs);
    terminal.send(u"01 02 03"_qs, true);

    QCOMPARE(terminal.sent(1).toHex(), QByteArray("01"));
    QCOMPARE(terminal.straggling(), QByteArray());
    QCOMPARE(terminal.dialogs.errorNumbers(), QList<int>{13});
}

void tst_MainFomSend::countAndModeFollowEachSend()
{
    Terminal terminal;
    QVERIFY(terminal.open());
    terminal.send(u"41"_qs, true);
    QCOMPARE(terminal.count(), u"1"_qs);
    terminal.window.TXLab->setText(u"9"_qs);
    terminal.send(u"41"_qs, false);
    QCOMPARE(terminal.count(), u"11"_qs);
    QCOMPARE(terminal.sent(3), QByteArray("A41"));
}

void tst_MainFomSend::typedLineBreaksAreCrLf()
{
    SendBox box;
    QTest::keyClicks(&box, "A");
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClicks(&box, "B");
    QTest::keyClick(&box, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(&box, "C");
    QCOMPARE(box.text(), u"A\r\nB\r\nC"_qs);
}

void tst_MainFomSend::failedWriteShowsErrorAndWindowStaysUsable()
{
    Terminal terminal;
    QVERIFY(terminal.open());
    terminal.window.MSComm1->setPortOpen(false); // closed behind the window's back

    terminal.send(u"AB"_qs, false);
    QCOMPARE(terminal.dialogs.errorNumbers(), QList<int>{8018});
    QCOMPARE(terminal.count(), u"0"_qs);

    // The open/close button reads the port, finds it closed and opens it.
    QVERIFY(terminal.open());
    terminal.send(u"OK"_qs, false);
    QCOMPARE(terminal.sent(2), QByteArray("OK"));
    QCOMPARE(terminal.count(), u"2"_qs);
}

// The line takes nothing while the send queue is full: a send by the button is
// refused whole with one error box, in text and in hex; an auto-send tick
// sends nothing and says nothing, and the next tick after the line drained
// sends again.
void tst_MainFomSend::sendsIntoAFullLineAreRefusedWhole()
{
    Terminal terminal;
    QVERIFY(terminal.open());
    const QByteArray queued(MSComm::outBufferLimit, 'q');
    terminal.window.MSComm1->output(queued);

    terminal.send(u"AB"_qs, false);
    terminal.send(u"01 02"_qs, true);
    QCOMPARE(terminal.dialogs.errorNumbers(), QList<int>({8022, 8022}));
    // A send by hand: the advice is to wait for the line, not about auto-send.
    for (const RecordingDialogs::Shown &box : terminal.dialogs.shown)
        QVERIFY(box.text.contains(u"跟不上"_qs) && box.text.contains(u"等线路发完"_qs) &&
                !box.text.contains(u"自动发送"_qs));

    terminal.window.S16Chk->setChecked(false);
    terminal.window.STxt->setText(u"CD"_qs);
    terminal.window.AutoSTimTimer();
    QCOMPARE(terminal.dialogs.shown.size(), 2);
    QCOMPARE(terminal.count(), u"0"_qs);

    QVERIFY(terminal.sent(queued.size(), 20000) == queued);
    QCOMPARE(terminal.straggling(), QByteArray());
    terminal.window.AutoSTimTimer();
    QCOMPARE(terminal.sent(2), QByteArray("CD"));
    QCOMPARE(terminal.count(), u"2"_qs);
}

void tst_MainFomSend::intervalBoxChecksEveryChange()
{
    Terminal terminal;
    QLineEdit *box = terminal.window.AutoSTxt;
    const int &beeps = terminal.dialogs.beeps;

    QApplication::clipboard()->setText(u"5x00"_qs);
    box->selectAll();
    box->paste();
    QCOMPARE(box->text(), u"1000"_qs);
    QCOMPARE(beeps, 1);

    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(terminal.window.LastGoodInterval, QString());
    QCOMPARE(beeps, 1);

    QTest::keyClicks(box, u"12a"_qs);
    QCOMPARE(box->text(), u"12"_qs);
    QCOMPARE(terminal.window.LastGoodInterval, u"12"_qs);
    QCOMPARE(beeps, 2);

    box->setText(u"3 4"_qs); // an assignment is checked like typing
    QCOMPARE(box->text(), u"12"_qs);
    QCOMPARE(beeps, 3);
    box->setText(u"0034"_qs);
    QCOMPARE(terminal.window.LastGoodInterval, u"0034"_qs);
    QCOMPARE(beeps, 3);
}

void tst_MainFomSend::intervalBoxRejectsSingleCharacters_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("minus") << u"-"_qs;
    QTest::newRow("point") << u"."_qs;
    QTest::newRow("space") << u" "_qs;
}

void tst_MainFomSend::intervalBoxRejectsSingleCharacters()
{
    QFETCH(QString, typed);
    Terminal terminal;
    QLineEdit *box = terminal.window.AutoSTxt;
    box->setFocus();
    box->end(false);
    QTest::keyClicks(box, typed);
    QCOMPARE(box->text(), u"1000"_qs);
    QCOMPARE(terminal.window.LastGoodInterval, u"1000"_qs);
    QCOMPARE(terminal.dialogs.beeps, 1);
}

void tst_MainFomSend::sendButtonStates()
{
    Terminal terminal;
    MainFom &window = terminal.window;
    QVERIFY(terminal.open());
    window.AutoSChk->click();
    QCOMPARE(window.SCmd->text(), startAutoSend);
    window.AutoSChk->click();
    QCOMPARE(window.SCmd->text(), u"发送(&S)"_qs);

    window.STxt->setText(u"A"_qs);
    terminal.startAutoSend(u"500"_qs);
    QCOMPARE(terminal.count(), u"0"_qs); // the click itself sends nothing
    QCOMPARE(window.AutoSTim->interval(), 500);
    QCOMPARE(window.SCmd->text(), u"停止自动发送(&S)"_qs);
    QCOMPARE(terminal.sendOptions(), locked);

    window.SCmd->click();
    QCOMPARE(window.AutoSTim->interval(), 0);
    QCOMPARE(window.SCmd->text(), startAutoSend);
    QCOMPARE(terminal.sendOptions(), unlocked);
    QCOMPARE(terminal.straggling(), QByteArray());
}

// Loose bounds only: a few sends in a generous window, never more than one
// per elapsed period.
void tst_MainFomSend::autoSendSendsEachPeriodWhileOpen()
{
    constexpr int period = 50;
    Terminal terminal;
    QVERIFY(terminal.open());
    terminal.window.STxt->setText(u"A"_qs);

    QElapsedTimer clock;
    clock.start();
    terminal.startAutoSend(QString::number(period));
    QCOMPARE(terminal.sent(5, 10000), QByteArray(5, 'A'));
    QVERIFY(terminal.count().toLongLong() <= clock.elapsed() / period + 1);

    // Each tick sends what the box holds at that moment.
    terminal.window.STxt->setText(u"B"_qs);
    QCOMPARE(terminal.sent(2, 10000).right(1), QByteArray("B"));

    // Closed behind its back: the ticks go on but send and report nothing.
    terminal.window.MSComm1->setPortOpen(false);
    const QString countAtClose = terminal.count();
    QTest::qWait(6 * period);
    terminal.window.AutoSTimTimer();
    QCOMPARE(terminal.window.AutoSTim->interval(), period);
    QCOMPARE(terminal.count(), countAtClose);
    QVERIFY(terminal.dialogs.shown.isEmpty());
}

void tst_MainFomSend::openCloseButtonStopsAutoSend()
{
    Terminal terminal;
    QVERIFY(terminal.open());
    terminal.window.STxt->setText(u"A"_qs);
    terminal.startAutoSend(u"20"_qs);
    QCOMPARE(terminal.sent(1, 10000), QByteArray("A"));

    terminal.window.OCCOMCmd->click();
    QVERIFY(!terminal.window.MSComm1->portOpen());
    QCOMPARE(terminal.window.AutoSTim->interval(), 0);
    QCOMPARE(terminal.window.SCmd->text(), startAutoSend);
    QVERIFY(!terminal.window.SCmd->isEnabled());
    QCOMPARE(terminal.sendOptions(), unlocked);
    QVERIFY(terminal.dialogs.shown.isEmpty());
}

void tst_MainFomSend::unusableIntervalsAreRefused_data()
{
    QTest::addColumn<QString>("interval");
    QTest::addColumn<int>("error");
    QTest::newRow("empty") << QString() << 13;
    QTest::newRow("zero") << u"000"_qs << 380;
    QTest::newRow("beyond the timer") << u"2147483648"_qs << 6;
    QTest::newRow("beyond 64 bits") << u"99999999999999999999"_qs << 6;
}

void tst_MainFomSend::unusableIntervalsAreRefused()
{
    QFETCH(QString, interval);
    QFETCH(int, error);

    Terminal terminal;
    QVERIFY(terminal.open());
    terminal.startAutoSend(interval);

    QCOMPARE(terminal.dialogs.errorNumbers(), QList<int>{error});
    QCOMPARE(terminal.window.AutoSTim->interval(), 0);
    QCOMPARE(terminal.window.SCmd->text(), startAutoSend);
    QCOMPARE(terminal.sendOptions(), unlocked);

    terminal.window.AutoSTxt->setText(u"1000"_qs);
    terminal.window.SCmd->click();
    QCOMPARE(terminal.window.AutoSTim->interval(), 1000);
}

// A send that fails while auto-send runs opens an error box; the ticks that
// come while it is open must neither send nor open further boxes.
void tst_MainFomSend::ticksWaitWhileSendErrorIsOpen()
{
    Terminal terminal;
    QVERIFY(terminal.open());
    terminal.window.STxt->setText(u"A"_qs);
    terminal.window.TXLab->setText(u"not a count"_qs); // every send fails after its write

    int openBoxes = 0;
    int deepest = 0;
    QByteArray arrivedWhileOpen;
    terminal.dialogs.onShow = [&] {
        deepest = std::max(deepest, ++openBoxes);
        if (terminal.dialogs.shown.size() == 1) {
            // Like a modal box: events run. Qt does not fire a timer again
            // while its own handler is busy, so ticks are also driven by hand.
            for (int tick = 0; tick < 3; ++tick) {
                QTest::qWait(60);
                terminal.window.AutoSTimTimer();
            }
            arrivedWhileOpen = terminal.straggling();
            terminal.window.TXLab->setText(u"0"_qs); // the user set it right meanwhile
        }
        --openBoxes;
    };
    terminal.startAutoSend(u"20"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(terminal.dialogs.shown.size(), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(terminal.count().toInt() >= 2, 10000);

    QCOMPARE(deepest, 1);
    QCOMPARE(arrivedWhileOpen, QByteArray("A")); // only the failed send's own byte
    QCOMPARE(terminal.dialogs.shown.size(), 1);
}

QTEST_MAIN(tst_MainFomSend)
#include "tst_mainfom_send.moc"

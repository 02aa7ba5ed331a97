#include "serial/mscomm.h"
#include "tests/support/processstats.h"
#include "tests/support/terminalonline.h"
#include "widgets/controlcolor.h"
#include "widgets/dropdowncombo.h"
#include "widgets/lampshape.h"
#include "window/mainfom.h"

#include <QPushButton>
#include <QTest>

class tst_LineFaults : public QObject
{
    Q_OBJECT

private slots:
    void hangUpClosesThePortOnceAndQuietly();
    void sendingIntoAVanishedLineGivesOneError();
};

void tst_LineFaults::hangUpClosesThePortOnceAndQuietly()
{
    PtyPair lineBack;
    TerminalOnLine terminal;
    MainFom &window = terminal.window;
    QVERIFY(terminal.show());
    QVERIFY(terminal.open());
    QVERIFY(terminal.receive("before the fault"));

    terminal.line.hangUp();
    QTRY_VERIFY(!window.MSComm1->portOpen());

    // No busy loop on a dead descriptor: the process stays near idle.
    const double cpuBefore = processstats::cpuSeconds();
    QTest::qWait(1000);
    QVERIFY2(processstats::cpuSeconds() - cpuBefore < 0.3,
             qPrintable(QString::number(processstats::cpuSeconds() - cpuBefore)));

    // One error box, and a window that shows the port closed.
    QCOMPARE(terminal.dialogs.errorNumbers(), QList<int>{8020});
    QCOMPARE(window.OCCOMCmd->text(), QStringLiteral("打开串口(&K)"));
    QCOMPARE(window.ZSSha->fillColor(), controlcolor::black);
    QVERIFY(!window.SCmd->isEnabled());
    QVERIFY(window.COMCom->isEnabled());

    // Once a line is back, the same button opens it.
    terminal.useDevices({lineBack.devicePath()});
    QVERIFY(terminal.open());
    QCOMPARE(window.ZSSha->fillColor(), controlcolor::green);
    QCOMPARE(terminal.dialogs.shown.size(), 1);
}

void tst_LineFaults::sendingIntoAVanishedLineGivesOneError()
{
    TerminalOnLine terminal;
    MainFom &window = terminal.window;
    QVERIFY(terminal.open());

    // The other side goes away and a send follows before the window has
    // noticed: the write is queued, the loss is reported once.
    terminal.line.hangUp();
    window.SendData();
    QTRY_VERIFY(!window.MSComm1->portOpen());
    QTest::qWait(300);
    QCOMPARE(terminal.dialogs.errorNumbers(), QList<int>{8020});
    QVERIFY(!window.SCmd->isEnabled());

    // A send that reaches the closed port says so clearly.
    window.SendData();
    QCOMPARE(terminal.dialogs.errorNumbers(), QList<int>({8020, 8018}));
}

QTEST_MAIN(tst_LineFaults)
#include "tst_linefaults.moc"

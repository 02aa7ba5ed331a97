#include "controlcolor.h"
#include "dropdowncombo.h"
#include "lampshape.h"
#include "mainfom.h"
#include "mscomm.h"
#include "processstats.h"
#include "ptypair.h"
#include "recordingdialogs.h"
#include "testcatalog.h"

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
    RecordingDialogs::Record dialogs;
    auto line = std::make_unique<PtyPair>();
    MainFom window;
    window.setDialogs(std::make_unique<RecordingDialogs>(&dialogs));
    window.MSComm1->setPortCatalog(TestCatalog::of({line->devicePath()}));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    window.OCCOMCmd->click();
    QVERIFY(window.MSComm1->portOpen());
    QVERIFY(line->write("before the fault"));
    QTest::qWait(100);

    line->hangUp();
    QTRY_VERIFY(!window.MSComm1->portOpen());

    // No busy loop on a dead descriptor: the process stays near idle.
    const double cpuBefore = processstats::cpuSeconds();
    QTest::qWait(1000);
    QVERIFY2(processstats::cpuSeconds() - cpuBefore < 0.3,
             qPrintable(QString::number(processstats::cpuSeconds() - cpuBefore)));

    // One error box, and a window that shows the port closed.
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].kind, QStringLiteral("critical"));
    QCOMPARE(window.OCCOMCmd->text(), QStringLiteral("打开串口(&K)"));
    QCOMPARE(window.ZSSha->fillColor(), controlcolor::black);
    QVERIFY(!window.SCmd->isEnabled());
    QVERIFY(window.COMCom->isEnabled());

    // Once a line is back, the same button opens it.
    line = std::make_unique<PtyPair>();
    window.MSComm1->setPortCatalog(TestCatalog::of({line->devicePath()}));
    window.OCCOMCmd->click();
    QVERIFY(window.MSComm1->portOpen());
    QCOMPARE(window.ZSSha->fillColor(), controlcolor::green);
    QCOMPARE(dialogs.shown.size(), 1);
}

void tst_LineFaults::sendingIntoAVanishedLineGivesOneError()
{
    RecordingDialogs::Record dialogs;
    auto line = std::make_unique<PtyPair>();
    MainFom window;
    window.setDialogs(std::make_unique<RecordingDialogs>(&dialogs));
    window.MSComm1->setPortCatalog(TestCatalog::of({line->devicePath()}));
    window.OCCOMCmd->click();
    QVERIFY(window.MSComm1->portOpen());

    // The other side goes away and a send follows before the window has
    // noticed: the write is queued, the loss is reported once.
    line->hangUp();
    window.SendData();
    QTRY_VERIFY(!window.MSComm1->portOpen());
    QTest::qWait(300);
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].kind, QStringLiteral("critical"));
    QVERIFY(!window.SCmd->isEnabled());

    // A send that reaches the closed port says so clearly.
    window.SendData();
    QCOMPARE(dialogs.shown.size(), 2);
    QCOMPARE(dialogs.shown[1].caption, QStringLiteral("错误号码：8018"));
}

QTEST_MAIN(tst_LineFaults)
#include "tst_linefaults.moc"

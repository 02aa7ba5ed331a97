#include "send/intervaltimer.h"
#include "serial/mscomm.h"
#include "serial/unix/portlock.h"
#include "tests/support/lineholder.h"
#include "tests/support/terminalonline.h"
#include "widgets/autosizelabel.h"
#include "widgets/controlcolor.h"
#include "widgets/dropdowncombo.h"
#include "widgets/lampshape.h"
#include "window/mainfom.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <unistd.h>

class tst_PortOpenClose : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void altKOpensWithDefaultsAndClosesAgain();
    void accessKeysClickAtOnce_data();
    void accessKeysClickAtOnce();
    void chosenSettingsReachTheLine();
    void typedTextFallsBackToTheDefaultItem();
    void portHeldElsewhereIsReportedAsOccupied();
    void missingPortIsReportedAsMissing();
    void otherFailuresGoToTheErrorBox();
    void clickStopsRunningAutoSendFirst();

private:
    void expectClosed();

    std::optional<TerminalOnLine> terminal;
    MainFom *w = nullptr;
};

void tst_PortOpenClose::init()
{
    terminal.emplace();
    w = &terminal->window;
    QVERIFY(terminal->line.isValid());
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w));
}

void tst_PortOpenClose::cleanup()
{
    terminal.reset();
}

void tst_PortOpenClose::expectClosed()
{
    QVERIFY(!w->MSComm1->portOpen());
    QCOMPARE(w->OCCOMCmd->text(), QStringLiteral("打开串口(&K)"));
    QCOMPARE(w->ZSSha->fillColor(), controlcolor::black);
    for (QWidget *box : {w->COMCom, w->BPSCom, w->JYWCom, w->SJWCom, w->TZWCom})
        QVERIFY(box->isEnabled());
    QVERIFY(!w->SCmd->isEnabled());
}

void tst_PortOpenClose::altKOpensWithDefaultsAndClosesAgain()
{
    // An access key clicks its button the way a mouse does.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_K, Qt::AltModifier);
    QVERIFY(w->MSComm1->portOpen());
    QCOMPARE(w->MSComm1->commPort(), qint16(1));
    QCOMPARE(w->MSComm1->settings(), QStringLiteral("4800,N,8,1"));
    const termios line = terminal->line.deviceAttributes();
    QCOMPARE(baudOf(line), 4800);
    QVERIFY(!(line.c_cflag & CSTOPB));

    QCOMPARE(w->ZSSha->fillColor(), controlcolor::green);
    QCOMPARE(w->OCCOMCmd->text(), QStringLiteral("关闭串口(&K)"));
    for (QWidget *box : {w->COMCom, w->BPSCom, w->JYWCom, w->SJWCom, w->TZWCom})
        QVERIFY(!box->isEnabled());
    QVERIFY(w->SCmd->isEnabled());
    // The boxes now show their defaults as chosen items.
    QCOMPARE(w->COMCom->currentIndex(), 0);
    QCOMPARE(w->BPSCom->currentIndex(), 4);
    QCOMPARE(w->BPSCom->currentText(), QStringLiteral("4800"));
    QCOMPARE(w->JYWCom->currentIndex(), 0);
    QCOMPARE(w->SJWCom->currentIndex(), 0);
    QCOMPARE(w->TZWCom->currentIndex(), 0);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_K, Qt::AltModifier);
    expectClosed();
    QVERIFY(terminal->dialogs.shown.isEmpty());
}

void tst_PortOpenClose::accessKeysClickAtOnce_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    QTest::newRow("Alt+K") << u"OCCOMCmd"_qs << int(Qt::Key_K);
    QTest::newRow("Alt+C") << u"CLSCmd"_qs << int(Qt::Key_C);
    QTest::newRow("Alt+S") << u"SCmd"_qs << int(Qt::Key_S);
}

void tst_PortOpenClose::accessKeysClickAtOnce()
{
    QFETCH(QString, button);
    QFETCH(int, key);
    w->OCCOMCmd->click(); // the send button needs an open port
    auto *target = w->findChild<QPushButton *>(button);
    QSignalSpy clicked(target, &QPushButton::clicked);

    // The click is done when the key event returns, and a quick second
    // press is a second click.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::AltModifier);
    QCOMPARE(clicked.count(), 1);
    QVERIFY(!target->isDown());
    if (target->isEnabled()) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::AltModifier);
        QCOMPARE(clicked.count(), 2);
    }
    if (button == u"SCmd")
        QVERIFY(w->TXLab->text() != u"0"); // sent and counted already
}

void tst_PortOpenClose::chosenSettingsReachTheLine()
{
    PtyPair second;
    terminal->useDevices({terminal->line.devicePath(), second.devicePath()});
    // The list names the device behind each port.
    w->COMCom->showPopup();
    QCOMPARE(w->COMCom->itemData(1, Qt::ToolTipRole).toString(), second.devicePath());
    w->COMCom->hidePopup();
    w->COMCom->chooseIndex(1);
    w->BPSCom->chooseIndex(11);
    w->JYWCom->chooseIndex(2);
    w->SJWCom->chooseIndex(1);
    w->TZWCom->chooseIndex(1);
    w->OCCOMCmd->click();
    QVERIFY(w->MSComm1->portOpen());
    QCOMPARE(w->MSComm1->commPort(), qint16(2));
    QCOMPARE(w->MSComm1->settings(), QStringLiteral("115200,E,7,2"));
    w->MSComm1->output(QByteArray("2")); // the open port is the second device
    QCOMPARE(second.read(), QByteArray("2"));
    QCOMPARE(baudOf(second.deviceAttributes()), 115200);
    QVERIFY(second.deviceAttributes().c_cflag & CSTOPB);
    w->OCCOMCmd->click();
    expectClosed();
}

void tst_PortOpenClose::typedTextFallsBackToTheDefaultItem()
{
    PtyPair second;
    terminal->useDevices({terminal->line.devicePath(), second.devicePath()});
    w->COMCom->lineEdit()->selectAll();
    QTest::keyClicks(w->COMCom->lineEdit(), "COM2");
    w->BPSCom->setFocus();
    w->BPSCom->lineEdit()->selectAll();
    QTest::keyClicks(w->BPSCom->lineEdit(), "9600");
    // Up finds no item above a typed text, and leaving the box chooses none.
    QTest::keyClick(w->BPSCom, Qt::Key_Up);
    QTest::keyClick(w->BPSCom, Qt::Key_Tab);
    QCOMPARE(w->BPSCom->currentIndex(), -1);

    w->OCCOMCmd->click();
    // The port number comes from the chosen item, never from the text.
    QCOMPARE(w->MSComm1->commPort(), qint16(1));
    QCOMPARE(w->MSComm1->settings(), QStringLiteral("4800,N,8,1"));
    QCOMPARE(w->COMCom->currentText(), QStringLiteral("COM1"));
    QCOMPARE(w->BPSCom->currentText(), QStringLiteral("4800"));
}

void tst_PortOpenClose::portHeldElsewhereIsReportedAsOccupied()
{
    // Another program has the line open and flocked: nothing of ours stays on it.
    QProcess holder;
    QVERIFY(startHolding(holder, terminal->line.devicePath(), true));
    const int ours = descriptorsOn(terminal->line.devicePath());
    w->OCCOMCmd->click();
    QCOMPARE(terminal->dialogs.shown.size(), 1);
    QCOMPARE(terminal->dialogs.shown[0].kind, QStringLiteral("warning"));
    QCOMPARE(terminal->dialogs.shown[0].caption, QStringLiteral("Varnica"));
    QCOMPARE(terminal->dialogs.shown[0].text, QStringLiteral("此串口被占用   "));
    expectClosed();
    QCOMPARE(descriptorsOn(terminal->line.devicePath()), ours);
    // What was written before the failure stays: the boxes show their defaults.
    QCOMPARE(w->COMCom->currentIndex(), 0);

    // Once the other program lets go the same click opens it.
    holder.kill();
    QVERIFY(holder.waitForFinished());
    w->OCCOMCmd->click();
    QVERIFY(w->MSComm1->portOpen());
    w->OCCOMCmd->click();

    // A lock file as most serial programs write it, naming a live process.
    QTemporaryDir lockFolder;
    QFile lock(lockFolder.filePath(portlock::lockNames(terminal->line.devicePath()).first()));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(::getppid()).rightJustified(10) + '\n');
    lock.close();
    w->MSComm1->setLockFolders({lockFolder.path()});
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_K, Qt::AltModifier);
    QTRY_COMPARE(terminal->dialogs.shown.size(), 2);
    QCOMPARE(terminal->dialogs.shown[1].text, QStringLiteral("此串口被占用   "));
    expectClosed();
    QVERIFY(lock.exists());
}

void tst_PortOpenClose::missingPortIsReportedAsMissing()
{
    w->COMCom->chooseIndex(7); // COM8: only one port is present
    w->OCCOMCmd->click();
    QCOMPARE(terminal->dialogs.shown.size(), 1);
    QCOMPARE(terminal->dialogs.shown[0].kind, QStringLiteral("warning"));
    QCOMPARE(terminal->dialogs.shown[0].caption, QStringLiteral("Varnica"));
    QCOMPARE(terminal->dialogs.shown[0].text, QStringLiteral("没有此串口   "));
    expectClosed();

    terminal->useDevices({QStringLiteral("/dev/varnica-unplugged")});
    w->COMCom->chooseIndex(0);
    w->OCCOMCmd->click();
    QCOMPARE(terminal->dialogs.shown.size(), 2);
    QCOMPARE(terminal->dialogs.shown[1].text, QStringLiteral("没有此串口   "));
}

void tst_PortOpenClose::otherFailuresGoToTheErrorBox()
{
    // /dev/null opens but is no terminal: the line refuses every setting.
    terminal->useDevices({QStringLiteral("/dev/null")});
    w->OCCOMCmd->click();
    const QList<int> errors = terminal->dialogs.errorNumbers();
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors[0] != -1); // the error box, whichever number the line gave
    expectClosed();
}

void tst_PortOpenClose::clickStopsRunningAutoSendFirst()
{
    w->OCCOMCmd->click();
    QVERIFY(w->MSComm1->portOpen());
    // Auto-send running: its three controls locked, the timer ticking.
    w->AutoSChk->setChecked(true);
    w->S16Chk->setEnabled(false);
    w->AutoSChk->setEnabled(false);
    w->AutoSTxt->setEnabled(false);
    w->AutoSTim->setInterval(1000);
    w->SCmd->setText(QStringLiteral("停止自动发送(&S)"));

    w->OCCOMCmd->click();
    expectClosed();
    QCOMPARE(w->AutoSTim->interval(), 0);
    QVERIFY(w->S16Chk->isEnabled() && w->AutoSChk->isEnabled() && w->AutoSTxt->isEnabled());
    QCOMPARE(w->SCmd->text(), QStringLiteral("开始自动发送(&S)"));
}

QTEST_MAIN(tst_PortOpenClose)
#include "tst_portopenclose.moc"

#include "receive/receiveview.h"
#include "send/sendbox.h"
#include "serial/mscomm.h"
#include "tests/support/recordingdialogs.h"
#include "widgets/autosizelabel.h"
#include "widgets/dropdowncombo.h"
#include "window/mainfom.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

// The terminal's window on a real COM port of the system, whose far end
// tests/windows/farend.py plays (under wine, on a pseudo-terminal): what it
// sends is checked at the far end, what it shows here. Both follow the same
// exchange, step by step.
class tst_TerminalOnPort : public QObject
{
    Q_OBJECT

private slots:
    void exchangesTextAndHexWithTheFarEnd()
    {
        const int port = qEnvironmentVariableIntValue("VARNICA_TEST_COM_PORT");
        if (port < 1)
            QSKIP("run by farend.py, which plays the far end of the line");

        RecordingDialogs::Record dialogs;
        MainFom window;
        window.setDialogs(std::make_unique<RecordingDialogs>(&dialogs));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const auto choose = [](QComboBox *box, const QString &item) {
            const int index = box->findText(item);
            box->setCurrentIndex(index);
            return index >= 0;
        };
        QVERIFY(choose(window.COMCom, QStringLiteral("COM%1").arg(port)));
        QVERIFY(choose(window.BPSCom, QStringLiteral("115200")));
        window.OCCOMCmd->click();
        QVERIFY2(window.MSComm1->portOpen(),
                 qPrintable(dialogs.shown.isEmpty() ? QString() : dialogs.shown.last().text));

        const auto send = [&](const QString &text, bool asHex) {
            window.S16Chk->setChecked(asHex);
            window.STxt->setText(text);
            window.SCmd->click();
        };
        constexpr int generous = 60000;

        // GBK text out; one lead byte back, held until its partner comes.
        send(QStringLiteral("AT+中文"), false);
        QTRY_COMPARE_WITH_TIMEOUT(window.RXLab->text(), QStringLiteral("1"), generous);
        QCOMPARE(window.RTxt->text(), QString());

        // The rest of the pair, and more text, after the far end heard "1".
        send(QStringLiteral("1"), false);
        QTRY_COMPARE_WITH_TIMEOUT(window.RTxt->text(), QStringLiteral("中文OK"), generous);

        // Hex both ways.
        window.R16Chk->setChecked(true);
        send(QStringLiteral("01 02 FE FF 00"), true);
        QTRY_VERIFY_WITH_TIMEOUT(window.RTxt->text().endsWith(QStringLiteral("00 7F 80 FF ")),
                                 generous);
        QCOMPARE(window.TXLab->text(), QStringLiteral("13"));
        QCOMPARE(window.RXLab->text(), QStringLiteral("10"));

        window.OCCOMCmd->click();
        QVERIFY(!window.MSComm1->portOpen());
        QVERIFY(dialogs.shown.isEmpty());
    }
};

QTEST_MAIN(tst_TerminalOnPort)
#include "tst_terminalonport.moc"

// The send path: the send routine, the send button, auto-send and the
// interval box.
#include "window/mainfom.h"

#include "common/bytecount.h"
#include "common/gbk.h"
#include "send/autosendinterval.h"
#include "send/hexscan.h"
#include "send/intervaltimer.h"
#include "send/sendbox.h"
#include "serial/commerror.h"
#include "serial/mscomm.h"
#include "widgets/autosizelabel.h"
#include "window/dialogs.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>

namespace {

const QString singleSendCaption = QStringLiteral("发送(&S)");
const QString startAutoSendCaption = QStringLiteral("开始自动发送(&S)");
const QString stopAutoSendCaption = QStringLiteral("停止自动发送(&S)");

} // namespace

void MainFom::stopAutoSend()
{
    AutoSTim->setInterval(0);
    S16Chk->setEnabled(true);
    AutoSChk->setEnabled(true);
    AutoSTxt->setEnabled(true);
    SCmd->setText(startAutoSendCaption);
}

void MainFom::SendData()
{
    const auto send = [this] {
        const bool asHex = S16Chk->isChecked();
        const QString text = STxt->text();
        if (asHex)
            sendAsHex(text);
        else
            sendAsText(text);
    };

    const auto showSendError = [this](const NumberedError &failure) {
        // A tick that finds the line still busy sends nothing and says
        // nothing: the next tick tries again, so auto-send keeps the line's pace.
        if (m_autoSendTick && failure.number() == CommError::SendQueueFull)
            return true;
        const QScopedValueRollback errorOpen(m_sendErrorOpen, true);
        ShowError(failure);
        return true;
    };

    reportingFailure(send, showSendError);
}

// One write of the whole text; the count grows only once it is out.
void MainFom::sendAsText(const QString &text)
{
    const QByteArray bytes = gbk::encode(text);
    MSComm1->output(bytes);
    addToSendCount(double(bytes.size()));
}

// One write per byte, each counted as soon as it is out. A character that is
// not hexadecimal ends the send quietly; what went out before stays counted.
void MainFom::sendAsHex(const QString &text)
{
    // The whole send must fit the send queue before its first byte goes.
    qint64 byteCount = 0;
    scanHexBytes(text, [&byteCount](quint8) { ++byteCount; });
    MSComm1->reserveOutputRoom(byteCount);
    scanHexBytes(text, [this](quint8 byte) {
        MSComm1->output(QByteArray(1, char(byte)));
        addToSendCount(1);
    });
}

void MainFom::addToSendCount(double amount)
{
    TXLab->setText(addToCount(TXLab->text(), amount));
}

void MainFom::SCmdClick()
{
    reportingFailure([this] {
        if (!AutoSChk->isChecked()) {
            SendData();
            return;
        }
        if (AutoSTim->interval() != 0) {
            stopAutoSend();
            return;
        }

        // An interval that cannot run is refused before anything is locked.
        const int interval = autoSendInterval(AutoSTxt->text());
        S16Chk->setEnabled(false);
        AutoSChk->setEnabled(false);
        AutoSTxt->setEnabled(false);
        AutoSTim->setInterval(interval); // within the timer's range: checked above
        SCmd->setText(stopAutoSendCaption);
    });
}

void MainFom::AutoSChkClick()
{
    SCmd->setText(AutoSChk->isChecked() ? startAutoSendCaption : singleSendCaption);
}

void MainFom::AutoSTimTimer()
{
    if (m_sendErrorOpen)
        return;
    const QScopedValueRollback fromTick(m_autoSendTick, true);
    if (MSComm1->portOpen())
        SendData();
}

// Runs on every change of the box, its own restoring assignment included
// (that inner pass finds the restored text good and records it).
void MainFom::AutoSTxtChange()
{
    if (!isIntervalText(AutoSTxt->text())) {
        AutoSTxt->setText(LastGoodInterval);
        dialogs().beep();
    }
    LastGoodInterval = AutoSTxt->text();
}

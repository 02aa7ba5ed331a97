// The receive path: received bytes into the receive box, the double-byte
// correction, clearing and the counters.
#include "window/mainfom.h"

#include "window/autosizelabel.h"

#include "common/bytecount.h"
#include "receive/receivedecoder.h"
#include "receive/receiveview.h"
#include "serial/mscomm.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

namespace {

// Ticks of the logo timer.
constexpr quint8 ticksAtReceive = 3;    // a receive event cancels the countdown
constexpr quint8 ticksWhenHolding = 0;  // a receive event left a byte held
constexpr quint8 ticksToCorrection = 2; // the automatic correction drops it
constexpr quint8 lastIdleTick = 100;    // the idle count cycles from 3 to 100

// More characters than this in the receive box and auto clear empties it.
constexpr qint64 autoClearLimit = 4095;

bool isTicked(const QCheckBox *box)
{
    return box->checkState() == Qt::Checked;
}

} // namespace

void MainFom::MSComm1OnComm()
{
    reportingFailure([this] {
        if (MSComm1->commEvent() != MSComm::EvReceive)
            return;
        HoldTicks = ticksAtReceive;
        GZCmd->setEnabled(false);

        // Every waiting byte, however many: the batch is shown and counted
        // whole.
        const QByteArray received = MSComm1->input();
        m_receivedPiece.truncate(0); // the room stays, for the next batch
        receivedisplay::appendReceived(m_receivedPiece, received, isTicked(R16Chk),
                                       PendingLeadByte);
        RTxt->appendText(m_receivedPiece);
        RXLab->setText(addToCount(RXLab->text(), double(received.size())));
        RTxt->moveCaretToEnd();

        if (PendingLeadByte > 0) {
            HoldTicks = ticksWhenHolding;
            if (!isTicked(GZChk))
                GZCmd->setEnabled(true);
        }
    });
}

void MainFom::GZCmdClick()
{
    PendingLeadByte = 0;
    GZCmd->setEnabled(false);
}

void MainFom::GZChkClick()
{
    const bool autoCorrect = isTicked(GZChk);
    const bool correctionOffered = GZCmd->isEnabled();
    if (correctionOffered && autoCorrect) {
        PendingLeadByte = 0;
        GZCmd->setEnabled(false);
    }
}

void MainFom::CLSCmdClick()
{
    RTxt->clearText();
}

void MainFom::ClearCmdClick()
{
    TXLab->setText(QStringLiteral("0"));
    RXLab->setText(QStringLiteral("0"));
}

void MainFom::HoldTimeoutStep()
{
    ++HoldTicks;
    if (HoldTicks == ticksToCorrection && isTicked(GZChk))
        PendingLeadByte = 0;
    if (HoldTicks > lastIdleTick)
        HoldTicks = ticksAtReceive;
}

void MainFom::AutoClearStep()
{
    if (isTicked(CLSChk) && RTxt->length() > autoClearLimit)
        RTxt->clearText();
}

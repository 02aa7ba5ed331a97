// The receive path: received bytes into the receive box, the double-byte
// correction, clearing and the counters.
#include "window/mainfom.h"

#include "widgets/autosizelabel.h"

#include "common/bytecount.h"
#include "receive/receiveview.h"
#include "serial/mscomm.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

namespace {

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
        m_receiveDecoder.beginEvent();
        GZCmd->setEnabled(m_receiveDecoder.correctionOffered());

        // Every waiting byte, however many: the batch is shown and counted
        // whole.
        const QByteArray received = MSComm1->input();
        if (isTicked(R16Chk))
            RTxt->appendHex(received);
        else
            RTxt->appendText(m_receiveDecoder.decode(received));
        RXLab->setText(addToCount(RXLab->text(), double(received.size())));
        RTxt->moveCaretToEnd();

        m_receiveDecoder.endEvent(isTicked(GZChk));
        GZCmd->setEnabled(m_receiveDecoder.correctionOffered());
    });
}

void MainFom::GZCmdClick()
{
    m_receiveDecoder.correct();
    GZCmd->setEnabled(m_receiveDecoder.correctionOffered());
}

void MainFom::GZChkClick()
{
    m_receiveDecoder.autoCorrectChanged(isTicked(GZChk));
    GZCmd->setEnabled(m_receiveDecoder.correctionOffered());
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
    m_receiveDecoder.tick(isTicked(GZChk));
}

void MainFom::AutoClearStep()
{
    if (isTicked(CLSChk) && RTxt->length() > autoClearLimit)
        RTxt->clearText();
}

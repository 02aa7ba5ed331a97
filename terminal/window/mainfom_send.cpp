// The send path: the send routine, the send button, auto-send and the
// interval box.
#include "mainfom.h"

#include "intervaltimer.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

void MainFom::stopAutoSend()
{
    AutoSTim->setInterval(0);
    S16Chk->setEnabled(true);
    AutoSChk->setEnabled(true);
    AutoSTxt->setEnabled(true);
    SCmd->setText(QStringLiteral("开始自动发送(&S)"));
}

void MainFom::SendData() {}

void MainFom::SCmdClick() {}

void MainFom::AutoSChkClick() {}

void MainFom::AutoSTimTimer() {}

void MainFom::AutoSTxtChange() {}

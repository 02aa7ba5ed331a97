// Opening and closing the port.
#include "window/mainfom.h"

#include "common/titles.h"
#include "send/intervaltimer.h"
#include "serial/commerror.h"
#include "serial/mscomm.h"
#include "widgets/controlcolor.h"
#include "widgets/dropdowncombo.h"
#include "widgets/lampshape.h"
#include "window/dialogs.h"
#include "window/portsettings.h"

#include <QPushButton>

namespace {

const QString openCaption = QStringLiteral("打开串口(&K)");
const QString closeCaption = QStringLiteral("关闭串口(&K)");
const QString portInUseText = QStringLiteral("此串口被占用   ");
const QString noSuchPortText = QStringLiteral("没有此串口   ");

} // namespace

void MainFom::OCCOMCmdClick()
{
    const QList<std::pair<DropDownCombo *, const SettingChoices *>> settingBoxes{
        {COMCom, &portsettings::ports()},
        {BPSCom, &portsettings::baudRates()},
        {JYWCom, &portsettings::parities()},
        {SJWCom, &portsettings::dataBits()},
        {TZWCom, &portsettings::stopBits()}};

    const auto openOrClose = [&] {
        if (AutoSTim->interval() != 0)
            stopAutoSend();

        if (MSComm1->portOpen()) {
            MSComm1->setPortOpen(false);
            showPortClosed();
            return;
        }

        // A box whose text was typed falls back to its default item.
        for (const auto &[box, choices] : settingBoxes)
            if (box->currentIndex() == -1)
                box->chooseIndex(choices->defaultIndex);

        MSComm1->setCommPort(static_cast<qint16>(COMCom->currentIndex() + 1));
        MSComm1->setSettings(
            portsettings::settingsString(BPSCom->currentText(), JYWCom->currentText(),
                                         SJWCom->currentText(), TZWCom->currentText()));
        MSComm1->setInputLen(0);
        MSComm1->setInputMode(1);
        MSComm1->setRThreshold(1);
        MSComm1->setPortOpen(true);

        ZSSha->setFillColor(controlcolor::green);
        for (const auto &[box, choices] : settingBoxes)
            box->setEnabled(false);
        OCCOMCmd->setText(closeCaption);
        SCmd->setEnabled(true);
    };

    // A port that is taken or missing gets a plain warning, not the error box.
    const auto warnOfUnusablePort = [this](const NumberedError &failure) {
        if (failure.number() == CommError::PortAlreadyOpen)
            dialogs().warning(this, titles::application, portInUseText);
        else if (failure.number() == CommError::InvalidPortNumber)
            dialogs().warning(this, titles::application, noSuchPortText);
        else
            return false;
        return true;
    };

    reportingFailure(openOrClose, warnOfUnusablePort);
}

void MainFom::showPortClosed()
{
    OCCOMCmd->setText(openCaption);
    ZSSha->setFillColor(controlcolor::black);
    for (DropDownCombo *box : {COMCom, BPSCom, JYWCom, SJWCom, TZWCom})
        box->setEnabled(true);
    SCmd->setEnabled(false);
}

// The serial control closed the port because the device went away: show the
// window as closed, stop auto-send, and tell the user once.
void MainFom::MSComm1LineLost()
{
    if (AutoSTim->interval() != 0)
        stopAutoSend();
    showPortClosed();
    ShowError(errors::lineLost());
}

// Each port item names the device it leads to, as the catalog sees it now.
void MainFom::showPortDevicesAsToolTips()
{
    const QList<PortEntry> ports = MSComm1->portCatalog()->ports();
    for (int i = 0; i < COMCom->count(); ++i) {
        const QString tip =
            i < ports.size() ? ports[i].description : QStringLiteral("（本机没有这个串口）");
        COMCom->setItemData(i, tip, Qt::ToolTipRole);
    }
}

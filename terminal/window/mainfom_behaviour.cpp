// How the window behaves: layout on resize, the split bar, the logo timer,
// always-on-top and the feedback link.
#include "mainfom.h"

#include "windowstacking.h"

#include <QCheckBox>

void MainFom::FormResize() {}

void MainFom::TXTSolScroll() {}

void MainFom::LOGOTimerTimer()
{
    HoldTimeoutStep();
    AutoClearStep();
}

void MainFom::OntopChkClick()
{
    windowstacking::setTopmost(this, OntopChk->isChecked());
}

void MainFom::dravikZZlabClick() {}

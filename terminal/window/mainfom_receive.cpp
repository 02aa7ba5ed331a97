// The receive path: received bytes into the receive box, the double-byte
// correction, clearing and the counters.
#include "mainfom.h"

void MainFom::MSComm1OnComm() {}

void MainFom::GZCmdClick() {}

void MainFom::GZChkClick() {}

void MainFom::CLSCmdClick() {}

void MainFom::ClearCmdClick() {}

void MainFom::HoldTimeoutStep() {}

void MainFom::AutoClearStep() {}

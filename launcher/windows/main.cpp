// varnica-solo for Windows: writes the terminal, its serial control file and
// the Qt run-time into the temporary folder, starts the terminal, and deletes
// what it wrote and ends once the terminal's window has gone. A program of the
// graphical subsystem that never makes a window: no console, no task-bar
// button, no message at any time. Linked statically, it needs nothing beside
// it.
#include "launcher/carriedfiles.h"
#include "launcher/launchernames.h"
#include "launcher/launchsteps.h"
#include "launcher/windows/processstarter.h"
#include "launcher/windows/tempfolder.h"
#include "launcher/windows/windowfinder.h"

#include <windows.h>

int main()
{
    // A failing call shows no dialog of the system's either.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);

    TempFolder folder(temporaryFolder());
    ProcessStarter starter(folder);
    TitleWindowFinder windows;
    LaunchSteps steps(folder, starter, windows,
                      {carriedfiles::resource(launchernames::terminalResource),
                       carriedfiles::resource(launchernames::controlResource),
                       carriedfiles::runtime()});
    steps.startUp();

    // Nothing else to do between the looks: no window, no messages.
    do
        ::Sleep(DWORD(launchernames::tickInterval.count()));
    while (!steps.tick());
    return steps.exitCode();
}

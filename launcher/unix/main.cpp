// varnica-solo: writes the terminal, its serial control library and the
// run-time they need into the user's private temporary folder, starts the
// terminal, and deletes what it wrote and ends once the terminal's window has
// gone. It shows nothing at any time, and needs nothing but the C and C++
// run-time and libxcb: it runs where no Qt is installed.
#include "launcher/carriedfiles.h"
#include "launcher/launchernames.h"
#include "launcher/launchsteps.h"
#include "launcher/unix/privatefolder.h"
#include "launcher/unix/programstarter.h"
#include "launcher/unix/windowlookup.h"

#include <cstdlib>
#include <thread>

int main()
{
    const std::unique_ptr<PrivateFolder> folder =
        PrivateFolder::open(temporaryRoot(std::getenv("temp"), std::getenv("TMPDIR")));
    if (!folder)
        return 1;

    ProgramStarter starter(*folder);
    XcbWindowFinder windows;
    LaunchSteps steps(*folder, starter, windows,
                      {carriedfiles::resource(launchernames::terminalResource),
                       carriedfiles::resource(launchernames::controlResource),
                       carriedfiles::runtime()});
    steps.startUp();

    // The launcher has no window and nothing else to do between its looks.
    do
        std::this_thread::sleep_for(launchernames::tickInterval);
    while (!steps.tick());
    return steps.exitCode();
}

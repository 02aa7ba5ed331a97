// varnica-solo: writes the terminal and its serial control library into the
// user's private temporary folder, starts the terminal, and deletes both files
// and ends once the terminal's window has gone. It shows nothing at any time.
#include "launcher/carriedfiles.h"
#include "launcher/launchernames.h"
#include "launcher/launchsteps.h"
#include "launcher/privatefolder.h"
#include "launcher/programstarter.h"
#include "launcher/windowlookup.h"

#include <QCoreApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);

    const std::unique_ptr<PrivateFolder> folder =
        PrivateFolder::open(temporaryRoot(QProcessEnvironment::systemEnvironment()));
    if (!folder)
        return 1;

    ProgramStarter starter(*folder);
    XcbWindowFinder windows;
    LaunchSteps steps(*folder, starter, windows,
                      {carriedfiles::resource(launchernames::terminalResource),
                       carriedfiles::resource(launchernames::controlResource)});
    steps.startUp();

    QTimer ticks;
    ticks.setInterval(launchernames::tickInterval);
    QObject::connect(&ticks, &QTimer::timeout, &app, [&] {
        if (!steps.tick())
            return;
        ticks.stop();
        QCoreApplication::exit(steps.exitCode());
    });
    ticks.start();
    return QCoreApplication::exec();
}

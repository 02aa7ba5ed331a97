#include "common/titles.h"
#include "window/displayplatform.h"
#include "window/mainfom.h"
#include "window/qtchinesetexts.h"

#include <QApplication>
#include <QProcessEnvironment>

int main(int argc, char *argv[])
{
    // Read by Qt while the application is built; a -platform argument still
    // wins. Taken out again so that the programs the terminal starts (the
    // web browser of the feedback link) make their own choice.
    const QByteArray platform =
        displayplatform::pluginsFor(QProcessEnvironment::systemEnvironment());
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
    QApplication app(argc, argv);
    if (!platform.isEmpty())
        qunsetenv("QT_QPA_PLATFORM");
    QApplication::setApplicationName(titles::application);
    QApplication::setDesktopFileName(QStringLiteral(VARNICA_APP_ID)); // task bar icon and name
    installQtChineseTexts();
    MainFom window;
    window.show();
    return app.exec();
}

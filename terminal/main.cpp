#include "common/titles.h"
#include "window/mainfom.h"
#include "window/qtchinesetexts.h"

#include <QApplication>

#ifndef Q_OS_WIN
#include "window/unix/displayplatform.h"

#include <QProcessEnvironment>
#endif

int main(int argc, char *argv[])
{
#ifndef Q_OS_WIN
    // Read by Qt while the application is built; a -platform argument still
    // wins. Taken out again so that the programs the terminal starts (the
    // web browser of the feedback link) make their own choice.
    const QByteArray platform =
        displayplatform::pluginsFor(QProcessEnvironment::systemEnvironment());
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
#endif
    QApplication app(argc, argv);
#ifndef Q_OS_WIN
    if (!platform.isEmpty())
        qunsetenv("QT_QPA_PLATFORM");
#endif
    QApplication::setApplicationName(titles::application);
    QApplication::setDesktopFileName(QStringLiteral(VARNICA_APP_ID)); // task bar icon and name
    installQtChineseTexts();
    MainFom window;
    window.show();
    return app.exec();
}

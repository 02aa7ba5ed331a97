#include "common/titles.h"
#include "window/mainfom.h"
#include "window/qtchinesetexts.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(titles::application);
    QApplication::setDesktopFileName(QStringLiteral(VARNICA_APP_ID)); // task bar icon and name
    installQtChineseTexts();
    MainFom window;
    window.show();
    return app.exec();
}

#include "mainfom.h"
#include "qtchinesetexts.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(MainFom::applicationTitle);
    QApplication::setDesktopFileName(QStringLiteral(VARNICA_APP_ID)); // task bar icon and name
    installQtChineseTexts();
    MainFom window;
    window.show();
    return app.exec();
}

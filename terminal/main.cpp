#include "mainfom.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(MainFom::applicationTitle);
    QApplication::setDesktopFileName(QStringLiteral(VARNICA_APP_ID)); // task bar icon and name
    MainFom window;
    window.show();
    return app.exec();
}

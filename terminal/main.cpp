#include "mainfom.h"
#include "qtchinesetexts.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(MainFom::applicationTitle);
    installQtChineseTexts();
    MainFom window;
    window.show();
    return app.exec();
}

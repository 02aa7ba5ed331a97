#include "mainfom.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(MainFom::applicationTitle);
    MainFom window;
    window.show();
    return app.exec();
}

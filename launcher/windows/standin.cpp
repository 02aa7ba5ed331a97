// Stands in for the terminal in varnica-solo until the terminal builds for
// Windows: a window with the terminal's title, on the Qt the launcher carries.
#include "common/titles.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QString::fromUtf8(titles::terminalWindow));
    window.resize(480, 320);
    window.show();
    return app.exec();
}

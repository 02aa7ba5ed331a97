// Build-time tool: renders the terminal's icon into an icon theme folder,
// drawn afresh at each size asked for.
#include "window/appicon.h"

#include <QDir>
#include <QTextStream>

int main(int argc, char *argv[])
{
    if (argc < 4) {
        QTextStream(stderr) << "usage: varnica-iconrender THEME-FOLDER ICON-NAME SIZE...\n";
        return 2;
    }
    const QDir theme(QString::fromLocal8Bit(argv[1]));
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int arg = 3; arg < argc; ++arg) {
        const int size = QByteArray(argv[arg]).toInt();
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = theme.filePath(folder + QLatin1Char('/') + name + ".png");
        if (size <= 0 || !theme.mkpath(folder) || !drawAppIconImage(size).save(file, "PNG")) {
            QTextStream(stderr) << "cannot write the icon at size " << argv[arg] << '\n';
            return 1;
        }
    }
    return 0;
}

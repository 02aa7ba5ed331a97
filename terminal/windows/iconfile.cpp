// Build-time tool: writes the terminal's icon as a Windows icon file, one
// PNG image at each size asked for, drawn afresh at each (as the icon theme
// of a Linux desktop gets them).
#include "window/appicon.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QList>
#include <QTextStream>

int main(int argc, char *argv[])
{
    if (argc < 3) {
        QTextStream(stderr) << "usage: varnica-iconfile FILE.ico SIZE...\n";
        return 2;
    }
    QList<QByteArray> images;
    QList<int> sizes;
    for (int arg = 2; arg < argc; ++arg) {
        const int size = QByteArray(argv[arg]).toInt();
        QByteArray png;
        QBuffer buffer(&png);
        if (size <= 0 || size > 256 || !buffer.open(QIODevice::WriteOnly) ||
            !drawAppIconImage(size).save(&buffer, "PNG")) {
            QTextStream(stderr) << "cannot draw the icon at size " << argv[arg] << '\n';
            return 1;
        }
        sizes.append(size);
        images.append(png);
    }

    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly)) {
        QTextStream(stderr) << "cannot write " << argv[1] << '\n';
        return 1;
    }
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    // The directory: a header, then an entry for each image.
    constexpr quint32 headerBytes = 6;
    constexpr quint32 entryBytes = 16;
    out << quint16(0) << quint16(1) << quint16(images.size());
    quint32 offset = headerBytes + entryBytes * quint32(images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        const auto side = quint8(sizes[i] == 256 ? 0 : sizes[i]); // 0 stands for 256
        out << side << side << quint8(0) << quint8(0) << quint16(1) << quint16(32)
            << quint32(images[i].size()) << offset;
        offset += quint32(images[i].size());
    }
    for (const QByteArray &png : images)
        out.writeRawData(png.constData(), int(png.size()));
    return out.status() == QDataStream::Ok && file.flush() ? 0 : 1;
}

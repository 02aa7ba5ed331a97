#include "textbox/textrowpainter.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QTest>

#include <algorithm>
#include <cstdlib>

// A row drawn through TextRowPainter must look as QPainter::drawText draws
// it: whatever the font, the colours and the characters.
class tst_TextRowPainter : public QObject
{
    Q_OBJECT

private slots:
    void drawsWhatDrawTextDraws_data();
    void drawsWhatDrawTextDraws();
};

namespace {

QFont fontOf(const char *family)
{
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(12);
    font.setKerning(false);
    return font;
}

// The largest difference of one colour channel between the two images.
int largestDifference(const QImage &a, const QImage &b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)),
                                std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return largest;
}

} // namespace

void tst_TextRowPainter::drawsWhatDrawTextDraws_data()
{
    QTest::addColumn<QFont>("font");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QColor>("background");

    const QString mixed = u"The quick brown fox 0123 串口调试：接收测试"_qs;
    // Chinese fonts have CFF outlines, which Qt blends in linear light.
    QTest::newRow("Chinese font, black on white")
        << fontOf("Noto Sans CJK SC") << mixed << QColor(Qt::black) << QColor(Qt::white);
    QTest::newRow("Chinese font, disabled colours")
        << fontOf("Noto Sans CJK SC") << mixed << QColor(0x78, 0x78, 0x78)
        << QColor(0xEF, 0xEF, 0xEF);
    QTest::newRow("Chinese font, light on dark")
        << fontOf("Noto Sans CJK SC") << mixed << QColor(0xF0, 0xE0, 0x40)
        << QColor(0x20, 0x30, 0x80);
    // Characters from a fallback font, and a font Qt blends plainly.
    QTest::newRow("control pictures and an emoji")
        << fontOf("Noto Sans CJK SC") << u"A\u2400\u2409 😀 \u2421B"_qs << QColor(Qt::black)
        << QColor(Qt::white);
    QFont bitmapFace = fontOf("AR PL UMing CN");
    bitmapFace.setStyleStrategy(QFont::NoAntialias);
    QTest::newRow("a bitmap face, unsmoothed")
        << bitmapFace << mixed + u"\tTab"_qs << QColor(Qt::black) << QColor(Qt::white);
    QTest::newRow("a bitmap face, light on dark")
        << bitmapFace << mixed << QColor(0xF0, 0xE0, 0x40) << QColor(0x20, 0x30, 0x80);
    QTest::newRow("a TrueType font")
        << fontOf("DejaVu Sans") << mixed << QColor(Qt::black) << QColor(Qt::white);
}

void tst_TextRowPainter::drawsWhatDrawTextDraws()
{
    QFETCH(QFont, font);
    QFETCH(QString, text);
    QFETCH(QColor, colour);
    QFETCH(QColor, background);
    const QFontMetricsF metrics(font);
    const QRect row(0, 3, qCeil(metrics.horizontalAdvance(text)) + 8, qCeil(metrics.lineSpacing()));
    const qreal baseline = metrics.ascent();
    const auto blank = [&] {
        QImage image(row.width() + 10, row.bottom() + 6, QImage::Format_RGB32);
        image.fill(background);
        return image;
    };

    QImage expected = blank();
    {
        QPainter painter(&expected);
        painter.setClipRect(row); // a row never reaches past its own
        painter.setFont(font);
        painter.setPen(colour);
        painter.drawText(QPointF(4, row.top() + baseline), text);
    }
    QImage drawn;
    TextRowPainter rows;
    rows.setFont(font);
    for (int twice = 0; twice < 2; ++twice) { // the second time with what the first kept
        drawn = blank();
        QPainter painter(&drawn);
        rows.draw(painter, row, 4, baseline, text, colour, background);
    }
    // Rounding in a different colour space moves an edge pixel by a level or two.
    QVERIFY2(largestDifference(drawn, expected) <= 3,
             qPrintable(QString::number(largestDifference(drawn, expected))));
}

QTEST_MAIN(tst_TextRowPainter)
#include "tst_textrowpainter.moc"

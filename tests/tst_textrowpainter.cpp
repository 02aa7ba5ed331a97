#include "textbox/textrowpainter.h"
#include "widgets/bandedstyle.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOptionSlider>
#include <QTest>

// The painting helpers of the text box draw what Qt itself would: a row
// drawn through TextRowPainter as QPainter::drawText draws it, a scroll bar
// painted in bands as the style paints it whole.
class tst_TextRowPainter : public QObject
{
    Q_OBJECT

private slots:
    void drawsWhatDrawTextDraws_data();
    void drawsWhatDrawTextDraws();
    void bandedBarLooksLikeWholeBar_data();
    void bandedBarLooksLikeWholeBar();
};

namespace {

QFont fontOf(const char *family)
{
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(12);
    font.setKerning(false);
    return font;
}

// The window's Song face, drawn without smoothing as the window draws it.
QFont bitmapFace()
{
    QFont font = fontOf("AR PL UMing CN");
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

} // namespace

void tst_TextRowPainter::drawsWhatDrawTextDraws_data()
{
    QTest::addColumn<QFont>("font");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<qreal>("devicePixelRatio");
    QTest::addColumn<bool>("plainRow"); // drawn as a glyph run

    const QString mixed = u"The quick brown fox 0123 串口调试：接收测试"_qs;
    for (const qreal ratio : {1.0, 1.5, 2.0}) {
        const QByteArray at = " at " + QByteArray::number(ratio);
        QTest::newRow("bitmap face, black" + at)
            << bitmapFace() << mixed << QColor(Qt::black) << ratio << true;
        QTest::newRow("bitmap face, a tab and an emoji" + at)
            << bitmapFace() << mixed + u"\tTab 😀"_qs << QColor(Qt::black) << ratio << false;
    }
    QTest::newRow("bitmap face, disabled colour")
        << bitmapFace() << mixed << QColor(0x78, 0x78, 0x78) << 1.0 << true;
    QTest::newRow("bitmap face, control pictures from another font")
        << bitmapFace() << u"A\u2400\u2409 \u2421B"_qs << QColor(Qt::black) << 1.0 << false;
    // Fonts that are smoothed: drawn as glyph runs where Qt places their
    // glyphs at the same pixels, else with drawText.
    QTest::newRow("CFF outlines, light")
        << fontOf("Noto Sans CJK SC") << mixed << QColor(0xF0, 0xE0, 0x40) << 1.0 << false;
    QTest::newRow("TrueType outlines at 1.5")
        << fontOf("DejaVu Sans") << mixed << QColor(Qt::black) << 1.5 << false;
}

void tst_TextRowPainter::drawsWhatDrawTextDraws()
{
    QFETCH(QFont, font);
    QFETCH(QString, text);
    QFETCH(QColor, colour);
    QFETCH(qreal, devicePixelRatio);
    QFETCH(bool, plainRow);
    const QString family = QFontInfo(font).family();
    if (font.family().startsWith(u"AR PL UMing"_qs) && !family.startsWith(u"AR PL UMing"_qs))
        QSKIP(qPrintable(u"The Song face (AR PL UMing, package fonts-arphic-uming) is not "
                         "installed; the font resolved to "_qs +
                         family));

    const QFontMetricsF metrics(font);
    const QRect row(0, 3, qCeil(metrics.horizontalAdvance(text)) + 8, qCeil(metrics.lineSpacing()));
    const qreal baseline = metrics.ascent();
    const auto blank = [&] {
        const QSize size(row.width() + 10, row.bottom() + 6);
        QImage image((QSizeF(size) * devicePixelRatio).toSize(), QImage::Format_RGB32);
        image.setDevicePixelRatio(devicePixelRatio);
        image.fill(QColor(0x20, 0x30, 0x80));
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
        rows.draw(painter, row, 4, baseline, text, colour);
    }
    QCOMPARE(drawn, expected);
    // The window's face is drawn as glyph runs at every scale.
    if (plainRow)
        QVERIFY(rows.drawsGlyphRuns(devicePixelRatio, baseline));
}

void tst_TextRowPainter::bandedBarLooksLikeWholeBar_data()
{
    QTest::addColumn<qreal>("devicePixelRatio");
    for (const qreal ratio : {1.0, 1.25, 1.5, 1.75, 2.0})
        QTest::addRow("at %g", ratio) << ratio;
}

void tst_TextRowPainter::bandedBarLooksLikeWholeBar()
{
    QFETCH(qreal, devicePixelRatio);
    QScrollBar bar(Qt::Vertical);
    bar.setRange(0, 1000);
    bar.setPageStep(120);
    bar.setValue(400);
    bar.resize(17, 333); // several bands, the last one short
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.subControls = QStyle::SC_All;
    option.orientation = Qt::Vertical;
    option.maximum = bar.maximum();
    option.pageStep = bar.pageStep();
    option.sliderPosition = option.sliderValue = bar.value();
    // Painted on an image of the ratio, as on a screen of that scale.
    const auto barImage = [&](const QStyle &style) {
        QImage image((QSizeF(bar.size()) * devicePixelRatio).toSize(), QImage::Format_RGB32);
        image.setDevicePixelRatio(devicePixelRatio);
        image.fill(Qt::white);
        QPainter painter(&image);
        style.drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, &bar);
        return image;
    };
    const BandedStyle banded;
    const QProxyStyle whole(QStyleFactory::create(QApplication::style()->name()));
    QCOMPARE(barImage(banded), barImage(whole));
}

QTEST_MAIN(tst_TextRowPainter)
#include "tst_textrowpainter.moc"

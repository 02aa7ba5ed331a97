#include "textbox/textrowpainter.h"

#include <QFontMetricsF>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

// Black on white, both ways: as Qt draws it, and the coverage alone.
struct Sample
{
    QImage drawn;
    QImage coverage;
};

Sample drawSample(const QFont &font)
{
    const QString text = QStringLiteral("@WMgjs08");
    const QFontMetricsF metrics(font);
    const QSize size(qCeil(metrics.horizontalAdvance(text)) + 4, qCeil(metrics.height()) + 2);
    Sample sample{QImage(size, QImage::Format_RGB32),
                  QImage(size, QImage::Format_ARGB32_Premultiplied)};
    sample.drawn.fill(Qt::white);
    sample.coverage.fill(Qt::transparent);
    for (QImage *image : {&sample.drawn, &sample.coverage}) {
        QPainter painter(image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QPointF(2, 1 + metrics.ascent()), text);
    }
    return sample;
}

// How far drawing black at coverage a over white with this gamma lands from
// what Qt drew.
double errorAt(const Sample &sample, double gamma)
{
    double error = 0;
    for (int y = 0; y < sample.drawn.height(); ++y) {
        const auto *drawn = reinterpret_cast<const QRgb *>(sample.drawn.constScanLine(y));
        const auto *coverage = reinterpret_cast<const QRgb *>(sample.coverage.constScanLine(y));
        for (int x = 0; x < sample.drawn.width(); ++x) {
            const double a = qAlpha(coverage[x]) / 255.0;
            error += std::abs(255 * std::pow(1 - a, 1 / gamma) - qRed(drawn[x]));
        }
    }
    return error;
}

} // namespace

void TextRowPainter::setFont(const QFont &font)
{
    m_font = font;
    m_rawFont = QRawFont::fromFont(font);
    m_ownGlyph.assign(0x10000, 0);
    m_tableValid = false;

    // Qt blends with its display gamma or plainly (a gamma of 1): take the
    // gamma that reproduces the sample best.
    const Sample sample = drawSample(font);
    double bestGamma = 1;
    double bestError = errorAt(sample, 1);
    for (double gamma = 1.1; gamma < 2.6; gamma += 0.05) {
        const double error = errorAt(sample, gamma);
        if (error < bestError) {
            bestError = error;
            bestGamma = gamma;
        }
    }
    m_gamma = bestGamma > 1.05 ? bestGamma : 0;
}

bool TextRowPainter::drawsExactly(const QPainter &painter, QStringView text)
{
    if (m_gamma == 0 || painter.device()->devicePixelRatio() != 1 || !m_rawFont.isValid())
        return false;
    for (const QChar c : text) {
        quint8 &own = m_ownGlyph[c.unicode()];
        if (own == 0)
            own = !c.isSurrogate() && m_rawFont.supportsCharacter(c) ? 1 : 2;
        if (own != 1)
            return false;
    }
    return true;
}

// The colour Qt gives a pixel that a glyph covers by a/255: the two colours
// mixed in linear light.
void TextRowPainter::makeTable(const QColor &colour, const QColor &background)
{
    const QRgb text = colour.rgb();
    const QRgb base = background.rgb();
    if (m_tableValid && text == m_tableColour && base == m_tableBackground)
        return;
    const auto linear = [this](int channel) { return std::pow(channel / 255.0, m_gamma); };
    const auto mix = [&](int textChannel, int baseChannel, int a) {
        const double light = (linear(textChannel) * a + linear(baseChannel) * (255 - a)) / 255.0;
        return int(std::lround(255 * std::pow(light, 1 / m_gamma)));
    };
    for (int a = 0; a < 256; ++a)
        m_table[a] = qRgb(mix(qRed(text), qRed(base), a), mix(qGreen(text), qGreen(base), a),
                          mix(qBlue(text), qBlue(base), a));
    m_table[0] = base;
    m_table[255] = text;
    m_tableColour = text;
    m_tableBackground = base;
    m_tableValid = true;
}

void TextRowPainter::draw(QPainter &painter, const QRect &row, int indent, qreal baseline,
                          QStringView text, const QColor &colour, const QColor &background)
{
    if (text.isEmpty())
        return;
    if (!drawsExactly(painter, text)) {
        // Within the row, as the image below is: a glyph that reaches past
        // its line would otherwise look different when only its own row is
        // drawn again.
        painter.save();
        painter.setClipRect(row, Qt::IntersectClip);
        painter.setFont(m_font);
        painter.setPen(colour);
        painter.drawText(QPointF(row.left() + indent, row.top() + baseline), text.toString());
        painter.restore();
        return;
    }
    if (m_coverage.width() < row.width() || m_coverage.height() < row.height()) {
        m_coverage = QImage(row.size(), QImage::Format_ARGB32_Premultiplied);
        m_row = QImage(row.size(), QImage::Format_RGB32);
    }
    m_coverage.fill(Qt::transparent);
    {
        QPainter glyphs(&m_coverage);
        glyphs.setFont(m_font);
        glyphs.setPen(Qt::black);
        glyphs.drawText(QPointF(indent, baseline), text.toString());
    }
    makeTable(colour, background);
    for (int y = 0; y < row.height(); ++y) {
        const auto *coverage = reinterpret_cast<const QRgb *>(m_coverage.constScanLine(y));
        auto *pixels = reinterpret_cast<QRgb *>(m_row.scanLine(y));
        for (int x = 0; x < row.width(); ++x)
            pixels[x] = m_table[qAlpha(coverage[x])];
    }
    painter.drawImage(row.topLeft(), m_row, QRect(QPoint(0, 0), row.size()));
}

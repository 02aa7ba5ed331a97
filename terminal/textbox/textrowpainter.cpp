#include "textbox/textrowpainter.h"

#include "common/plaincharacter.h"

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

    m_whollyCovered = true;
    for (int y = 0; y < sample.coverage.height() && m_whollyCovered; ++y) {
        const auto *coverage = reinterpret_cast<const QRgb *>(sample.coverage.constScanLine(y));
        for (int x = 0; x < sample.coverage.width(); ++x)
            m_whollyCovered =
                m_whollyCovered && (qAlpha(coverage[x]) == 0 || qAlpha(coverage[x]) == 255);
    }

    clearTiles();
    m_tileCheck = TileCheck::Pending;
}

// Tiles stand in for drawText only where the two were seen to agree on every
// pixel of a sample row; otherwise rows keep drawText. Checked when the font
// first draws a row, not when it is set: a box is given a font more than once
// before it is shown. The tiles made here, on the rows' baseline, are kept.
void TextRowPainter::checkTiles(qreal baseline)
{
    m_tileCheck = TileCheck::Refused;
    if (m_gamma == 0 && !m_whollyCovered)
        return;
    const QFontMetricsF metrics(m_font);
    QString tileSample;
    for (char16_t c = 0x21; c < 0x7F; ++c)
        tileSample += QChar(c);
    tileSample += u" fi ffl AV To 中文串口调试：，。"_qs;
    QString ownSample;
    for (const QChar c : std::as_const(tileSample)) {
        if (m_rawFont.supportsCharacter(c))
            ownSample += c;
    }
    const QRect row(0, 0, qCeil(metrics.horizontalAdvance(ownSample)) + 8,
                    qCeil(metrics.lineSpacing()));
    if (!coverageFromTiles(row, 2, baseline, ownSample))
        return;
    const std::vector<quint8> fromTiles = m_tileCoverage;
    coverageByDrawText(row, 2, baseline, ownSample);
    for (int y = 0; y < row.height(); ++y) {
        const auto *drawn = reinterpret_cast<const QRgb *>(m_coverage.constScanLine(y));
        for (int x = 0; x < row.width(); ++x) {
            if (qAlpha(drawn[x]) != fromTiles[size_t(y * row.width() + x)])
                return;
        }
    }
    m_tileCheck = TileCheck::Exact;
}

void TextRowPainter::clearTiles()
{
    m_tileIndex.assign(0x100, {});
    m_tiles.clear();
    m_tileBaseline = -1;
}

// A character Qt draws alone as it draws it within a row: one glyph of the
// font's own, whole pixels apart, no shaping that depends on its neighbours.
const TextRowPainter::Tile *TextRowPainter::tileFor(QChar c, qreal baseline)
{
    if (baseline != m_tileBaseline) {
        clearTiles();
        m_tileBaseline = baseline;
    }
    std::vector<int> &page = m_tileIndex[c.unicode() >> 8];
    if (page.empty())
        page.assign(0x100, 0);
    int &index = page[c.unicode() & 0xFF];
    if (index == 0) {
        index = -1;
        const bool plain = plaincharacter::drawnAlone(c);
        const QList<quint32> glyphs = plain && m_rawFont.supportsCharacter(c)
                                          ? m_rawFont.glyphIndexesForString(QString(c))
                                          : QList<quint32>();
        const qreal advance =
            glyphs.size() == 1 ? m_rawFont.advancesForGlyphIndexes(glyphs).value(0).x() : 0.5;
        if (glyphs.size() == 1 && advance == std::round(advance)) {
            const int margin = qCeil(QFontMetricsF(m_font).height());
            QImage alone(int(advance) + 2 * margin, 3 * margin,
                         QImage::Format_ARGB32_Premultiplied);
            alone.fill(Qt::transparent);
            {
                QPainter painter(&alone);
                painter.setFont(m_font);
                painter.setPen(Qt::black);
                painter.drawText(QPointF(margin, margin + baseline), QString(c));
            }
            // Only the pixels the glyph covers.
            QRect covered;
            for (int y = 0; y < alone.height(); ++y) {
                const auto *pixels = reinterpret_cast<const QRgb *>(alone.constScanLine(y));
                for (int x = 0; x < alone.width(); ++x) {
                    if (qAlpha(pixels[x]) != 0)
                        covered |= QRect(x, y, 1, 1);
                }
            }
            Tile tile;
            tile.advance = int(advance);
            tile.left = covered.left() - margin;
            tile.top = covered.top() - margin;
            tile.width = covered.width();
            tile.height = covered.height();
            tile.coverage.reserve(size_t(tile.width * tile.height));
            for (int y = covered.top(); y <= covered.bottom(); ++y) {
                const auto *pixels = reinterpret_cast<const QRgb *>(alone.constScanLine(y));
                for (int x = covered.left(); x <= covered.right(); ++x)
                    tile.coverage.push_back(quint8(qAlpha(pixels[x])));
            }
            m_tiles.push_back(std::move(tile));
            index = int(m_tiles.size());
        }
    }
    return index > 0 ? &m_tiles[size_t(index - 1)] : nullptr;
}

// The row's coverage put together from the characters' tiles, as Qt's own
// blending of black glyphs on a clear image would give it.
bool TextRowPainter::coverageFromTiles(const QRect &row, int indent, qreal baseline,
                                       QStringView text)
{
    m_tileCoverage.assign(size_t(row.width() * row.height()), 0);
    int penX = indent;
    for (const QChar c : text) {
        if (penX >= row.width())
            break; // nothing more in view
        const Tile *tile = tileFor(c, baseline);
        if (tile == nullptr)
            return false;
        const int left = penX + tile->left;
        const int firstX = std::max(0, -left);
        const int lastX = std::min(tile->width, row.width() - left);
        const int firstY = std::max(0, -tile->top);
        const int lastY = std::min(tile->height, row.height() - tile->top);
        for (int y = firstY; y < lastY; ++y) {
            const quint8 *source = tile->coverage.data() + size_t(y * tile->width);
            quint8 *target = m_tileCoverage.data() + size_t((tile->top + y) * row.width() + left);
            for (int x = firstX; x < lastX; ++x) {
                const uint a = source[x];
                if (a == 0)
                    continue;
                const uint under = target[x] * (255 - a);
                target[x] = quint8(a + ((under + (under >> 8) + 0x80) >> 8));
            }
        }
        penX += tile->advance;
    }
    return true;
}

void TextRowPainter::coverageByDrawText(const QRect &row, int indent, qreal baseline,
                                        QStringView text)
{
    if (m_coverage.width() < row.width() || m_coverage.height() < row.height())
        m_coverage =
            QImage(row.size().expandedTo(m_coverage.size()), QImage::Format_ARGB32_Premultiplied);
    m_coverage.fill(Qt::transparent);
    QPainter glyphs(&m_coverage);
    glyphs.setFont(m_font);
    glyphs.setPen(Qt::black);
    glyphs.drawText(QPointF(indent, baseline), text.toString());
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
    // Wholly covered glyphs (the only kind drawn here without a gamma) need
    // no more than the two ends; the mix between is for completeness.
    const double gamma = m_gamma > 0 ? m_gamma : 1;
    const auto linear = [gamma](int channel) { return std::pow(channel / 255.0, gamma); };
    const auto mix = [&](int textChannel, int baseChannel, int a) {
        const double light = (linear(textChannel) * a + linear(baseChannel) * (255 - a)) / 255.0;
        return int(std::lround(255 * std::pow(light, 1 / gamma)));
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
    const bool onePixelPerPixel = painter.device()->devicePixelRatio() == 1;
    if (m_tileCheck == TileCheck::Pending && onePixelPerPixel)
        checkTiles(baseline);
    const bool fromTiles = m_tileCheck == TileCheck::Exact && onePixelPerPixel &&
                           coverageFromTiles(row, indent, baseline, text);
    if (!fromTiles && !drawsExactly(painter, text)) {
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
    if (!fromTiles)
        coverageByDrawText(row, indent, baseline, text);
    if (m_row.width() < row.width() || m_row.height() < row.height())
        m_row = QImage(row.size().expandedTo(m_row.size()), QImage::Format_RGB32);
    makeTable(colour, background);
    for (int y = 0; y < row.height(); ++y) {
        auto *pixels = reinterpret_cast<QRgb *>(m_row.scanLine(y));
        if (fromTiles) {
            const quint8 *coverage = m_tileCoverage.data() + size_t(y * row.width());
            for (int x = 0; x < row.width(); ++x)
                pixels[x] = m_table[coverage[x]];
        } else {
            const auto *coverage = reinterpret_cast<const QRgb *>(m_coverage.constScanLine(y));
            for (int x = 0; x < row.width(); ++x)
                pixels[x] = m_table[qAlpha(coverage[x])];
        }
    }
    painter.drawImage(row.topLeft(), m_row, QRect(QPoint(0, 0), row.size()));
}

#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QStringView>

#include <vector>

// Draws a row of a text box, text of one colour on a plain background, with
// the pixels QPainter::drawText gives it, at a fraction of the cost.
//
// For fonts whose glyphs Qt blends in a gamma-corrected colour space (CFF
// outlines, as in the common Chinese fonts), drawText works out every edge
// pixel of every glyph through colour tables, and that was most of the cost
// of a box that streams. Here the glyphs' coverage is drawn once on a clear
// image, where Qt blends without the correction, and each coverage level is
// turned into the colour Qt's own blending would give, through a table made
// for the row's two colours.
//
// Where characters lie whole pixels apart and need no shaping (the window's
// bitmap face, Latin and Chinese alike), the coverage is put together from
// each character's own, drawn once and kept: drawText shaped every row again
// and fetched every glyph from the font engine, the most of a frame's cost.
//
// Rows that this cannot reproduce exactly (a character from a fallback font,
// a tab, a high-density screen) and fonts that Qt blends plainly anyway are
// drawn with drawText.
class TextRowPainter
{
public:
    // Finds out how Qt blends the font's glyphs, from a sample drawn both ways.
    void setFont(const QFont &font);

    // Draws text in colour on background, within row (painter coordinates);
    // the baseline lies baseline pixels below the row's top, and the text
    // starts indent pixels from its left.
    void draw(QPainter &painter, const QRect &row, int indent, qreal baseline, QStringView text,
              const QColor &colour, const QColor &background);

private:
    // A character's coverage as Qt draws it alone, and where it lies from the
    // pen position on the row's top.
    struct Tile
    {
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
        int advance = 0;
        std::vector<quint8> coverage;
    };

    bool drawsExactly(const QPainter &painter, QStringView text);
    void makeTable(const QColor &colour, const QColor &background);
    void coverageByDrawText(const QRect &row, int indent, qreal baseline, QStringView text);
    bool coverageFromTiles(const QRect &row, int indent, qreal baseline, QStringView text);
    const Tile *tileFor(QChar c, qreal baseline);
    void clearTiles();
    void checkTiles(qreal baseline);

    QFont m_font;
    QRawFont m_rawFont;
    // The gamma of Qt's blending for this font, or 0 where it blends plainly.
    double m_gamma = 0;
    // Whether every glyph covers a pixel wholly or not at all (a bitmap face
    // drawn without smoothing): then no blending is involved at all.
    bool m_whollyCovered = false;
    // Per character: 0 not yet known, 1 in the font itself, 2 from elsewhere.
    std::vector<quint8> m_ownGlyph;
    // Tiles, looked up by character in pages of 256; index + 1, 0 not yet
    // made, -1 for a character a tile cannot stand for.
    std::vector<std::vector<int>> m_tileIndex;
    std::vector<Tile> m_tiles;
    std::vector<quint8> m_tileCoverage; // one byte a pixel, a row at a time
    qreal m_tileBaseline = -1;
    enum class TileCheck { Pending, Exact, Refused };
    TileCheck m_tileCheck = TileCheck::Pending;
    QImage m_coverage;
    QImage m_row;
    QRgb m_table[256] = {};
    QRgb m_tableColour = 0;
    QRgb m_tableBackground = 0;
    bool m_tableValid = false;
};

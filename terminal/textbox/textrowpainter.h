#pragma once

#include "widgets/unshapedtext.h"

#include <QColor>
#include <QFont>
#include <QGlyphRun>
#include <QPainter>
#include <QStringView>

#include <vector>

// Draws a row of a text box, text of one colour, with the pixels
// QPainter::drawText gives it, at a fraction of the cost.
//
// A row of characters that need no shaping, all of the font's own, is drawn
// as one glyph run (UnshapedText): drawText shaped every row again and
// fetched every glyph from the font engine, the most of a frame's cost. The
// glyphs are Qt's own, blended by Qt, so the row looks as drawText draws it
// whatever the antialiasing (grey or subpixel) and the device pixel ratio.
// Glyph runs stand in only where a sample row, drawn both ways with the same
// device pixel ratio, came out the same on every pixel: a font whose
// advances drawText places differently keeps drawText.
//
// Rows that need shaping or another font (a tab, a control picture, a
// character the face lacks) are drawn with drawText.
class TextRowPainter
{
public:
    void setFont(const QFont &font);

    // Draws text in colour within row (painter coordinates), clipped to it;
    // the baseline lies baseline pixels below the row's top, and the text
    // starts indent pixels from its left.
    void draw(QPainter &painter, const QRect &row, int indent, qreal baseline, QStringView text,
              const QColor &colour);

    // Whether plain rows are drawn as glyph runs on a device with this pixel
    // ratio, with the baseline this far below a row's top.
    bool drawsGlyphRuns(qreal devicePixelRatio, qreal baseline);

private:
    struct Check
    {
        qreal devicePixelRatio;
        qreal baseline;
        bool glyphRunsExact;
    };

    bool glyphRunsExact(qreal devicePixelRatio, qreal baseline);

    QFont m_font;
    UnshapedText m_unshaped;
    QGlyphRun m_run;
    std::vector<Check> m_checks;
};

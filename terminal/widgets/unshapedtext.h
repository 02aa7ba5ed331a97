#pragma once

#include <QFont>
#include <QGlyphRun>
#include <QRawFont>
#include <QStringView>

#include <memory>
#include <vector>

// Text laid out glyph by glyph in one font, without shaping: each character
// its own glyph of the font, one after another at the font's advances. For
// text of characters that look the same alone as within any text
// (plaincharacter::drawnAlone) this is what QPainter::drawText draws, without
// shaping the text again each time it is drawn, which is most of drawText's
// cost for a short run of text drawn often (a row of a box that streams, a
// count that changes every frame).
class UnshapedText
{
public:
    // Forgets every glyph (the font changed). A raw font knows the face and
    // its size, not a stretch or spacing: for such fonts nothing is laid out.
    void setFont(const QFont &font);
    const QFont &font() const { return m_font; }

    // Lays text out with the pen starting at origin, into run (which points
    // into this object's own storage until the next call); false where a
    // character needs shaping or a glyph from another font.
    bool layOut(QStringView text, QPointF origin, QGlyphRun &run);

private:
    static constexpr quint32 notKnown = 0;
    static constexpr quint32 notDrawnAlone = 0xFFFFFFFF;

    // Per character of a block of 256: its glyph, notKnown or notDrawnAlone,
    // and its advance. Blocks are made as their characters are first drawn:
    // a label's caption needs one or two of them.
    struct Block
    {
        quint32 glyphs[256] = {};
        float advances[256] = {};
    };

    // The character's glyph, and its advance in advance.
    quint32 glyphFor(char16_t c, float &advance);

    QFont m_font;
    QRawFont m_rawFont;
    std::vector<std::unique_ptr<Block>> m_blocks;
    std::vector<quint32> m_runGlyphs;
    std::vector<QPointF> m_runPositions;
};

#include "widgets/unshapedtext.h"

#include "common/plaincharacter.h"

void UnshapedText::setFont(const QFont &font)
{
    m_font = font;
    const bool plainFont =
        (font.stretch() == QFont::AnyStretch || font.stretch() == QFont::Unstretched) &&
        font.letterSpacing() == 0 && font.wordSpacing() == 0;
    m_rawFont = plainFont ? QRawFont::fromFont(font) : QRawFont();
    m_blocks.clear();
    m_blocks.resize(0x100);
}

quint32 UnshapedText::glyphFor(char16_t c, float &advance)
{
    std::unique_ptr<Block> &block = m_blocks[c >> 8];
    if (!block)
        block = std::make_unique<Block>();
    quint32 &glyph = block->glyphs[c & 0xFF];
    if (glyph == notKnown) {
        glyph = notDrawnAlone;
        const QChar character(c);
        if (plaincharacter::drawnAlone(character) && m_rawFont.supportsCharacter(character)) {
            const QList<quint32> indexes = m_rawFont.glyphIndexesForString(QString(character));
            if (indexes.size() == 1 && indexes[0] != 0) {
                glyph = indexes[0];
                block->advances[c & 0xFF] =
                    float(m_rawFont.advancesForGlyphIndexes(indexes).value(0).x());
            }
        }
    }
    advance = block->advances[c & 0xFF];
    return glyph;
}

bool UnshapedText::layOut(QStringView text, QPointF origin, QGlyphRun &run)
{
    if (!m_rawFont.isValid() || text.isEmpty())
        return false;
    m_runGlyphs.resize(size_t(text.size()));
    m_runPositions.resize(size_t(text.size()));
    qreal x = origin.x();
    for (qsizetype i = 0; i < text.size(); ++i) {
        float advance = 0;
        const quint32 glyph = glyphFor(text[i].unicode(), advance);
        if (glyph == notDrawnAlone)
            return false;
        m_runGlyphs[size_t(i)] = glyph;
        m_runPositions[size_t(i)] = QPointF(x, origin.y());
        x += advance;
    }
    run.setRawFont(m_rawFont);
    run.setRawData(m_runGlyphs.data(), m_runPositions.data(), int(text.size()));
    return true;
}

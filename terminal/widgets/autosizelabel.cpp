#include "widgets/autosizelabel.h"

#include "widgets/captionfit.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyleOption>

AutoSizeLabel::AutoSizeLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
}

void AutoSizeLabel::setText(const QString &text)
{
    QLabel::setText(text);
    fitCaption();
}

void AutoSizeLabel::placeAt(const QRect &geometry)
{
    m_placedSize = geometry.size();
    setGeometry(geometry);
    m_fittedLength = -1;
    fitCaption();
}

void AutoSizeLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitCaption();
}

void AutoSizeLabel::setFullFont(const QFont &font)
{
    m_fullFont = font;
    m_fittedLength = -1;
    setFont(font);
}

void AutoSizeLabel::setRoom(QSize room)
{
    m_room = room;
    fitCaption();
}

void AutoSizeLabel::fitCaption()
{
    const bool roomChanged = m_room != m_fittedRoom;
    if (m_room.isValid()) {
        // Nothing to fit again: a count that streams in changes with every
        // frame, and measuring it each time was most of its cost.
        if (!roomChanged && text().size() == m_fittedLength)
            return;
        m_fittedRoom = m_room;
        m_fittedLength = text().size();
        setFont(captionfit::fittedFont(m_fullFont, {text()}, m_room));
    }
    resize(sizeHint().expandedTo(m_placedSize));
}

// The glyphs of a caption that looks the same drawn glyph by glyph: one line
// of characters of the font's own that need no shaping.
bool AutoSizeLabel::layOutGlyphs()
{
    const bool fontChanged = !m_glyphsFontKnown || m_unshaped.font() != font();
    if (!fontChanged && m_glyphsCaption == text())
        return m_glyphsValid;
    if (fontChanged) {
        m_unshaped.setFont(font());
        m_glyphsFontKnown = true;
    }
    m_glyphsCaption = text();
    m_glyphsValid = m_unshaped.layOut(m_glyphsCaption, QPointF(), m_glyphs);
    return m_glyphsValid;
}

void AutoSizeLabel::paintEvent(QPaintEvent *event)
{
    // Where QLabel would draw a plain one-line caption at the left, centred
    // in height, the same glyphs at the same places, without laying it out.
    const bool plainPlacement =
        textFormat() == Qt::PlainText && !text().contains(u'&') && !wordWrap() && margin() == 0 &&
        indent() <= 0 && frameWidth() == 0 && isEnabled() &&
        alignment() == (Qt::AlignLeft | Qt::AlignVCenter) && layoutDirection() == Qt::LeftToRight;
    if (!plainPlacement || !layOutGlyphs()) {
        QLabel::paintEvent(event);
        return;
    }
    const QFontMetricsF metrics(font());
    const QRect area = contentsRect();
    const qreal top = area.top() + (area.height() - (metrics.ascent() + metrics.descent())) / 2;
    // The colours QLabel hands the style: the group this label is in now.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    painter.setPen(QPen(option.palette.brush(foregroundRole()), 0));
    painter.drawGlyphRun(QPointF(area.left(), top + metrics.ascent()), m_glyphs);
}

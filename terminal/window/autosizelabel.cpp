#include "window/autosizelabel.h"

#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>

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
    fitCaption();
}

void AutoSizeLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitCaption();
}

void AutoSizeLabel::keepWithin(int widthPixels)
{
    m_roomWidth = widthPixels;
    m_fullFont = font();
    m_fittedLength = -1;
    fitCaption();
}

void AutoSizeLabel::fitCaption()
{
    // Captions kept within a room are counts: digits of equal width, so the
    // font and the size only need fitting again when the caption's length
    // changes (a count that streams in changes with every frame).
    if (m_roomWidth > 0) {
        if (text().size() == m_fittedLength)
            return;
        m_fittedLength = text().size();
        setFont(fittedFont(m_fullFont, text(), QSize(m_roomWidth, m_placedSize.height())));
    }
    resize(sizeHint().expandedTo(m_placedSize));
}

QFont fittedFont(QFont font, const QString &sample, QSize box)
{
    // Below these a caption is no longer legible; the smallest is used then.
    constexpr int smallestPixelSize = 7;
    constexpr int narrowestStretch = QFont::UltraCondensed;

    for (int pixels = QFontInfo(font).pixelSize(); pixels >= smallestPixelSize; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).height() <= box.height())
            break;
    }
    for (int stretch = QFont::Unstretched; stretch >= narrowestStretch; --stretch) {
        font.setStretch(stretch);
        if (QFontMetrics(font).horizontalAdvance(sample) <= box.width())
            break;
    }
    return font;
}

#include "window/autosizelabel.h"

#include "window/captionfit.h"

#include <QEvent>

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

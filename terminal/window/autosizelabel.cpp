#include "autosizelabel.h"

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
    fitCaption();
}

void AutoSizeLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitCaption();
}

void AutoSizeLabel::fitCaption()
{
    resize(sizeHint().expandedTo(m_placedSize));
}

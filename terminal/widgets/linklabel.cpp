#include "widgets/linklabel.h"

#include "widgets/controlcolor.h"

#include <QEvent>
#include <QMouseEvent>

LinkLabel::LinkLabel(const QString &text, QWidget *parent)
    : AutoSizeLabel(text, parent), m_foreColor(controlcolor::buttonText)
{
    applyColor();
}

void LinkLabel::setForeColor(quint32 color)
{
    if (color == m_foreColor)
        return;
    m_foreColor = color;
    applyColor();
}

void LinkLabel::applyColor()
{
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, controlcolor::toQColor(m_foreColor, QWidget::palette()));
    setPalette(pal);
}

void LinkLabel::changeEvent(QEvent *event)
{
    AutoSizeLabel::changeEvent(event);
    if (event->type() == QEvent::StyleChange)
        applyColor();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    AutoSizeLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

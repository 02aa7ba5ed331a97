#include "widgets/lampshape.h"

#include "widgets/controlcolor.h"

#include <QPainter>

LampShape::LampShape(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void LampShape::setFillColor(quint32 color)
{
    if (color == m_fillColor)
        return;
    m_fillColor = color;
    update();
}

void LampShape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int diameter = qMin(width(), height()) - 1;
    const QRectF circle((width() - diameter) / 2.0, (height() - diameter) / 2.0, diameter,
                        diameter);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(controlcolor::toQColor(m_fillColor, palette()));
    painter.drawEllipse(circle);
}

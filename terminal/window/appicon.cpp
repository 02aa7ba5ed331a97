#include "appicon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

void drawScreen(QPainter &painter, const QRectF &body, const QColor &glass)
{
    // Stand and foot.
    const QPointF footCentre(body.center().x(), body.bottom() + 6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(90, 96, 110));
    painter.drawRect(QRectF(footCentre.x() - 2, body.bottom(), 4, 5));
    painter.drawRoundedRect(QRectF(footCentre.x() - 7, body.bottom() + 4.5, 14, 3), 1.5, 1.5);

    // Bezel and glass.
    painter.setPen(QPen(QColor(40, 44, 52), 1.2));
    painter.setBrush(QColor(200, 204, 212));
    painter.drawRoundedRect(body, 2, 2);
    const QRectF screen = body.adjusted(2.5, 2.5, -2.5, -2.5);
    QLinearGradient shine(screen.topLeft(), screen.bottomRight());
    shine.setColorAt(0, glass.lighter(150));
    shine.setColorAt(1, glass);
    painter.setPen(Qt::NoPen);
    painter.setBrush(shine);
    painter.drawRect(screen);

    // A few lines of "text" on the glass.
    painter.setPen(QPen(QColor(230, 255, 230, 220), 1));
    for (int line = 0; line < 3; ++line) {
        const qreal y = screen.top() + 3 + line * 3;
        painter.drawLine(QPointF(screen.left() + 2, y), QPointF(screen.right() - 2 - line * 2, y));
    }
}

} // namespace

QImage drawAppIconImage()
{
    QImage image(48, 48, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    // The cable between the two screens' backs, drawn first so the screens
    // cover its ends.
    QPainterPath cable;
    cable.moveTo(12, 26);
    cable.cubicTo(12, 44, 36, 30, 36, 36);
    painter.setPen(QPen(QColor(30, 30, 30), 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(cable);

    drawScreen(painter, QRectF(1.5, 4.5, 22, 17), QColor(20, 90, 160));
    drawScreen(painter, QRectF(24.5, 16.5, 22, 17), QColor(20, 130, 70));

    // Connector plugs at both ends of the cable.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(30, 30, 30));
    painter.drawRect(QRectF(10, 21.5, 4, 4));
    painter.drawRect(QRectF(34, 33.5, 4, 4));
    painter.end();
    return image;
}

QIcon appIcon()
{
    return QIcon(QPixmap::fromImage(drawAppIconImage()));
}

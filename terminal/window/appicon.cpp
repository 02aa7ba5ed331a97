#include "window/appicon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace {

// The drawing is laid out on a 48-unit square. Every edge is rounded to a
// whole pixel of the image being drawn, and strokes are at least one pixel
// wide, so that the small sizes stay crisp instead of blurring into grey.
class IconGrid
{
public:
    explicit IconGrid(int size) : m_scale(size / 48.0) {}

    qreal at(qreal units) const { return std::round(units * m_scale); }
    QRectF box(qreal x, qreal y, qreal width, qreal height) const
    {
        return QRectF(QPointF(at(x), at(y)), QPointF(at(x + width), at(y + height)));
    }
    // A length of at least `least` whole pixels.
    qreal pixels(qreal units, qreal least = 1) const { return std::max(least, at(units)); }
    QPointF point(qreal x, qreal y) const { return QPointF(x * m_scale, y * m_scale); }
    // A corner's radius; below two pixels a rounding is only a blurred corner.
    qreal radius(qreal units) const { return at(units) < 2 ? 0 : at(units); }

private:
    qreal m_scale;
};

void drawScreen(QPainter &painter, const IconGrid &grid, const QRectF &bodyUnits,
                const QColor &glass)
{
    const QRectF body =
        grid.box(bodyUnits.x(), bodyUnits.y(), bodyUnits.width(), bodyUnits.height());

    // Stand and foot, centred under the bezel.
    const qreal standWidth = grid.pixels(4);
    const qreal footWidth = grid.pixels(14, 3);
    const qreal centre = body.left() + std::round(body.width() / 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(90, 96, 110));
    const qreal standLeft = centre - std::round(standWidth / 2);
    painter.drawRect(QRectF(standLeft, body.bottom(), standWidth, grid.pixels(5)));
    const qreal footTop = body.bottom() + grid.pixels(4.5);
    const qreal footRadius = grid.radius(1.5);
    painter.drawRoundedRect(
        QRectF(centre - std::round(footWidth / 2), footTop, footWidth, grid.pixels(3)), footRadius,
        footRadius);

    // Bezel: a stroke of whole pixels drawn just inside the body's edge.
    const qreal border = grid.pixels(1.2);
    const qreal half = border / 2;
    painter.setPen(QPen(QColor(40, 44, 52), border));
    painter.setBrush(QColor(200, 204, 212));
    const qreal corner = grid.radius(2);
    painter.drawRoundedRect(body.adjusted(half, half, -half, -half), corner, corner);

    // Glass.
    const qreal inset = std::max(border, grid.at(2.5));
    const QRectF screen = body.adjusted(inset, inset, -inset, -inset);
    QLinearGradient shine(screen.topLeft(), screen.bottomRight());
    shine.setColorAt(0, glass.lighter(150));
    shine.setColorAt(1, glass);
    painter.setPen(Qt::NoPen);
    painter.setBrush(shine);
    painter.drawRect(screen);

    // Up to three lines of "text" on the glass, each a whole pixel row (or
    // more) with at least one row of glass between them.
    const qreal thickness = grid.pixels(1);
    const qreal pitch = std::max(grid.at(3), thickness * 2);
    const qreal margin = grid.pixels(2);
    painter.setBrush(QColor(230, 255, 230, 220));
    for (int line = 0; line < 3; ++line) {
        const qreal top = screen.top() + std::max(thickness, grid.at(2.5)) + line * pitch;
        if (top + thickness > screen.bottom() - thickness)
            break;
        const qreal right = screen.right() - margin - grid.at(line * 2);
        painter.drawRect(
            QRectF(QPointF(screen.left() + margin, top),
                   QPointF(std::max(right, screen.left() + margin + thickness), top + thickness)));
    }
}

} // namespace

QImage drawAppIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    const IconGrid grid(size);

    // The cable between the two screens' backs, drawn first so the screens
    // cover its ends. Below 32 pixels it is one pixel wide and drawn without
    // smoothing, which would only make it a grey smear.
    painter.setRenderHint(QPainter::Antialiasing, size >= 32);
    QPainterPath cable;
    cable.moveTo(grid.point(12, 26));
    cable.cubicTo(grid.point(12, 44), grid.point(36, 30), grid.point(36, 36));
    painter.setPen(
        QPen(QColor(30, 30, 30), std::max(1.0, 2.2 * size / 48.0), Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(cable);
    painter.setRenderHint(QPainter::Antialiasing);

    drawScreen(painter, grid, QRectF(1, 4, 22, 18), QColor(20, 90, 160));
    drawScreen(painter, grid, QRectF(25, 16, 22, 18), QColor(20, 130, 70));

    // Connector plugs at both ends of the cable.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(30, 30, 30));
    const qreal plug = grid.pixels(4, 2);
    painter.drawRect(QRectF(grid.at(12) - std::round(plug / 2), grid.at(22), plug, plug));
    painter.drawRect(QRectF(grid.at(36) - std::round(plug / 2), grid.at(34), plug, plug));
    painter.end();
    return image;
}

QIcon appIcon()
{
    return QIcon(QPixmap::fromImage(drawAppIconImage()));
}

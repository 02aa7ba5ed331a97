#include "widgets/bandedstyle.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionComplex>

#include <algorithm>
#include <cmath>

namespace {

// Fewer rows than the raster engine shares out.
constexpr int bandHeight = 95;

} // namespace

// A proxy owns its base style: a fresh one of the application's kind.
BandedStyle::BandedStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

void BandedStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                     QPainter *painter, const QWidget *widget) const
{
    QRect area = option->rect;
    if (painter->hasClipping())
        area &= painter->clipBoundingRect().toAlignedRect();
    // At a fractional scale a band's edges fall between device pixels, and
    // the style's edges and gradients land differently from a whole bar's.
    const qreal ratio = painter->device()->devicePixelRatio();
    if (control != CC_ScrollBar || area.height() <= bandHeight || ratio != std::floor(ratio)) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    // Each band on an image of its own, which no fill can reach beyond (the
    // style sets clip rectangles of its own, so a clip would not hold).
    for (int top = area.top(); top <= area.bottom(); top += bandHeight) {
        const QRect band(area.left(), top, area.width(),
                         std::min(bandHeight, area.bottom() + 1 - top));
        const QSize pixels = (QSizeF(band.size()) * ratio).toSize();
        if (m_band.width() < pixels.width() || m_band.height() < pixels.height())
            m_band = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_band.setDevicePixelRatio(ratio);
        m_band.fill(Qt::transparent);
        {
            QPainter bandPainter(&m_band);
            bandPainter.setClipRect(QRect(QPoint(0, 0), band.size()));
            bandPainter.translate(-band.topLeft());
            QProxyStyle::drawComplexControl(control, option, &bandPainter, widget);
        }
        painter->drawImage(band, m_band, QRectF(QPointF(0, 0), QSizeF(pixels)));
    }
}

#include "widgets/splitbar.h"

#include "widgets/twips.h"

#include <QMouseEvent>
#include <QtMath>

#include <algorithm>

namespace {

// The strip below the send box where the bar shows, in twips.
constexpr int bottomStripTwips = 15;

int pointerRow(const QMouseEvent *event)
{
    return qFloor(event->position().y());
}

} // namespace

SplitBar::SplitBar(QWidget *parent) : QScrollBar(Qt::Vertical, parent)
{
    setCursor(Qt::SizeVerCursor);
    setFocusPolicy(Qt::ClickFocus);
}

int SplitBar::valueAtRow(int y)
{
    // Pixel row y spans twips 15y to 15y + 15; its middle, 15y + 7.5, is the
    // gap's middle when Value - 7.5 equals it.
    return twips::fromPixels(y + 1);
}

void SplitBar::followPointer(int y)
{
    const int value = valueAtRow(y) - m_grabOffset;
    setSliderPosition(std::clamp(value, minimum(), std::max(minimum(), maximum())));
}

bool SplitBar::inBottomStrip(int y) const
{
    return y >= height() - twips::toPixels(bottomStripTwips);
}

void SplitBar::mousePressEvent(QMouseEvent *event)
{
    m_dragging = event->button() == Qt::LeftButton && !inBottomStrip(pointerRow(event));
    if (!m_dragging) {
        QScrollBar::mousePressEvent(event);
        return;
    }
    event->accept();
    m_grabOffset = valueAtRow(pointerRow(event)) - value();
    setSliderDown(true);
}

void SplitBar::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging) {
        QScrollBar::mouseMoveEvent(event);
        return;
    }
    event->accept();
    followPointer(pointerRow(event));
}

void SplitBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragging || event->button() != Qt::LeftButton) {
        QScrollBar::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    m_dragging = false;
    setSliderDown(false);
}

#include "window/windowlayout.h"

#include "widgets/twips.h"

#include <algorithm>

namespace windowlayout {

namespace {

// The boxes' edges relative to the bar's Value: the receive box ends 30
// above it, the send box starts 15 below it (135 from the client's top, the
// bar itself starting at 120).
constexpr int receiveEndAboveValue = 30;
constexpr int sendStartBelowValue = 135;
// The bar is 270 longer than its range's top (its own Max).
constexpr int barLengthBeyondMaximum = 270;

} // namespace

QSize minimumClientPixels()
{
    return QSize((minimumOuterWidth - frameWidth) / twips::perPixel,
                 (minimumOuterHeight - frameHeight) / twips::perPixel);
}

QSize outerTwips(QSize clientPixels)
{
    return QSize(twips::fromPixels(clientPixels.width()) + frameWidth,
                 twips::fromPixels(clientPixels.height()) + frameHeight);
}

Placement placeForSize(const Placement &current, int outerWidth, int outerHeight)
{
    Placement next = current;
    const int w = outerWidth;
    const int h = outerHeight;

    // The bottom strip follows the window's bottom edge.
    next.statusFrameTop = h - 900;
    next.sendFrameTop = h - 2340;
    next.ontopTop = h - 1140;
    next.sendButtonTop = h - 1140;
    next.sendButtonLeft = w / 2 + 165;
    next.linkTop = h - 780;

    // The correction frame fits beside the send button only in a short
    // window; from an outer height of 7240 on it joins the left column.
    if (next.sendFrameTop < 4900) {
        next.correctionTop = h - 1260;
        next.correctionLeft = w - 1650;
    } else {
        next.correctionTop = 3820;
        next.correctionLeft = 150;
    }

    if (w - 2055 >= 0)
        next.barWidth = w - 2055;
    if (h - 1305 >= 0)
        next.barHeight = h - 1305;

    // The bar never holds a Value beyond its Max.
    const int maximum = next.barHeight - barLengthBeyondMaximum;
    const bool rangeValid = maximum >= barMinimum;
    if (rangeValid) {
        next.barMaximum = maximum;
        next.barValue = std::min(next.barValue, maximum);
    }

    // The send box keeps its height, the receive box takes up the rest.
    const int value = next.barHeight - next.sendHeight - receiveEndAboveValue;
    if (value >= barMinimum && value <= next.barMaximum) {
        next.barValue = value;
    } else if (rangeValid && value < barMinimum) {
        // Too short for the send box: it gives way rather than running past
        // the window's bottom edge over the controls of the bottom strip.
        next.barValue = barMinimum;
        next.sendHeight = next.barHeight - barMinimum - receiveEndAboveValue;
    }

    next.receiveWidth = next.barWidth;
    if (next.barValue - receiveEndAboveValue >= 0)
        next.receiveHeight = next.barValue - receiveEndAboveValue;
    next.sendTop = next.barValue + sendStartBelowValue;
    next.sendWidth = next.barWidth;
    return next;
}

Placement placeForBoundary(const Placement &current)
{
    Placement next = current;
    next.sendTop = current.barValue + sendStartBelowValue;
    const int sendHeight = current.barHeight - current.barValue - receiveEndAboveValue;
    if (sendHeight >= 0)
        next.sendHeight = sendHeight;
    if (current.barValue - receiveEndAboveValue >= 0)
        next.receiveHeight = current.barValue - receiveEndAboveValue;
    return next;
}

} // namespace windowlayout

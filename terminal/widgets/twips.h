#pragma once

#include <QRect>

#include <cmath>

// Geometry of the window is kept in twips: 15 twips to a logical pixel.
namespace twips {

constexpr int perPixel = 15;

constexpr int toPixels(int value)
{
    // Round half away from zero so that odd twip values land on the nearer pixel.
    return value >= 0 ? (value + perPixel / 2) / perPixel : -((-value + perPixel / 2) / perPixel);
}

constexpr int fromPixels(int pixels)
{
    return pixels * perPixel;
}

inline QRect toPixels(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

} // namespace twips

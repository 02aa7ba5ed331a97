#include "window/nativeframe.h"

#include <QGuiApplication>
#include <QWidget>

#include <windows.h>

#include <cmath>

namespace nativeframe {

// The window's rectangle around the client area's, in the system's pixels,
// brought to the widget's.
std::optional<QMargins> margins(const QWidget &window)
{
    if (QGuiApplication::platformName() != QLatin1String("windows") ||
        !window.testAttribute(Qt::WA_WState_Created))
        return std::nullopt;
    const auto handle = reinterpret_cast<HWND>(window.winId());
    RECT outer;
    RECT client;
    POINT origin{0, 0};
    if (!GetWindowRect(handle, &outer) || !GetClientRect(handle, &client) ||
        !ClientToScreen(handle, &origin))
        return std::nullopt;
    const qreal ratio = window.devicePixelRatioF();
    const auto logical = [ratio](LONG pixels) { return int(std::lround(pixels / ratio)); };
    return QMargins(logical(origin.x - outer.left), logical(origin.y - outer.top),
                    logical(outer.right - (origin.x + client.right)),
                    logical(outer.bottom - (origin.y + client.bottom)));
}

} // namespace nativeframe

#include "tests/support/windowsystem.h"

#include <QWidget>

#include <windows.h>

namespace windowsystem {
namespace {

HWND handleOf(const QWidget &window)
{
    return reinterpret_cast<HWND>(window.winId());
}

QRect fromRect(const RECT &rect)
{
    return QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1));
}

} // namespace

QString start()
{
    return QString();
}

void stop() {}

bool isTopmost(const QWidget &window)
{
    return (GetWindowLongPtrW(handleOf(window), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

QRect clientArea(const QWidget &window)
{
    RECT client;
    if (!GetClientRect(handleOf(window), &client))
        return {};
    POINT origin{0, 0};
    ClientToScreen(handleOf(window), &origin);
    return fromRect(client).translated(origin.x, origin.y);
}

QRect outerFrame(const QWidget &window)
{
    RECT frame;
    if (!GetWindowRect(handleOf(window), &frame))
        return {};
    const QRect outer = fromRect(frame);
    return outer == clientArea(window) ? QRect() : outer;
}

} // namespace windowsystem

#include "window/nativestacking.h"

#include <QGuiApplication>
#include <QWidget>

#include <windows.h>

namespace nativestacking {

// Moves the window into or out of the topmost band, leaving its place, size
// and the keyboard focus as they are.
bool setTopmost(QWidget *shownWindow, bool topmost)
{
    if (QGuiApplication::platformName() != QLatin1String("windows"))
        return false;
    const auto window = reinterpret_cast<HWND>(shownWindow->winId());
    return SetWindowPos(window, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                        SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE) != 0;
}

} // namespace nativestacking

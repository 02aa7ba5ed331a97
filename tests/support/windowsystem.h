#pragma once

#include <QRect>
#include <QString>

class QWidget;

// The window as the window system has it, read back from the system itself
// rather than from Qt: on X11 through xcb, under a window manager the test
// starts; on Windows through the Windows API. One side per platform (unix/,
// windows/).
namespace windowsystem {

// Readies the system for the test (starts the window manager); the reason
// when it cannot.
QString start();
void stop();

// Whether the system keeps the window in the topmost stacking class.
bool isTopmost(const QWidget &window);

// The client area and the outer frame (title bar and borders included), in
// screen pixels; the frame is invalid while the window is not framed yet.
QRect clientArea(const QWidget &window);
QRect outerFrame(const QWidget &window);

} // namespace windowsystem

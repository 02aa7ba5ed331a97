#pragma once

class QWidget;

// The window system's own way of moving a shown top-level window into or out
// of the topmost stacking class, in place: on X11 the EWMH _NET_WM_STATE
// message to the window manager, on Windows SetWindowPos. One side per
// platform (unix/, windows/).
namespace nativestacking {

// False when the window runs on a platform plugin this side does not speak to
// (offscreen, Wayland) or the window system refused; the caller then hands
// the change to Qt.
bool setTopmost(QWidget *shownWindow, bool topmost);

} // namespace nativestacking

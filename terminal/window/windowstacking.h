#pragma once

class QWidget;

// Puts a top-level window into or out of the topmost stacking class without
// moving or resizing it, and without hiding and re-showing it.
//
// Before the window is first shown the choice is Qt's WindowStaysOnTopHint,
// which the window takes along when it appears. Once shown, the window system
// is asked directly (nativestacking: X11's window manager, Windows);
// elsewhere the platform window is given the changed flags in place (where
// the platform has no stacking classes, as offscreen, only the choice is
// recorded).
namespace windowstacking {

// The choice is kept in the window's flags (Qt::WindowStaysOnTopHint).
void setTopmost(QWidget *window, bool topmost);

} // namespace windowstacking

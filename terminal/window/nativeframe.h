#pragma once

#include <QMargins>

#include <optional>

class QWidget;

// The frame around a top-level window's client area as the window system
// draws it, where Qt's own idea of it may differ (Qt for Windows under wine
// leaves out the borders). One side per platform (unix/, windows/).
namespace nativeframe {

// The frame's width on each side, in the widget's pixels; none where the
// system does not say (there Qt's frameGeometry() stands).
std::optional<QMargins> margins(const QWidget &window);

} // namespace nativeframe

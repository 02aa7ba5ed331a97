#include "window/nativeframe.h"

// On X11 Qt reads the frame from the window manager's _NET_FRAME_EXTENTS.
namespace nativeframe {

std::optional<QMargins> margins(const QWidget &)
{
    return std::nullopt;
}

} // namespace nativeframe

#pragma once

#include <QByteArray>

class QProcessEnvironment;

// Which of Qt's platform plugins the terminal runs on.
//
// In a Wayland session Qt 6 makes a program a native Wayland client (outside
// GNOME), and there a window can neither place itself nor stay above others:
// the window would open where the compositor likes and "always on top" would
// do nothing. Where the session also offers an X display (Xwayland), the
// terminal runs through that instead, with Wayland as the fallback when the X
// display refuses the connection.
namespace displayplatform {

// The plugins to try in order, in QT_QPA_PLATFORM's form ("xcb;wayland");
// empty when Qt's own choice stands: the user named a platform in
// QT_QPA_PLATFORM, the session is not a Wayland one, or it has no X display.
QByteArray pluginsFor(const QProcessEnvironment &environment);

} // namespace displayplatform

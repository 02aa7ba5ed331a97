#include "window/unix/displayplatform.h"

#include <QProcessEnvironment>

namespace displayplatform {

QByteArray pluginsFor(const QProcessEnvironment &environment)
{
    // Qt itself takes an empty QT_QPA_PLATFORM for none.
    const bool userChose = !environment.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty();
    const bool wayland = environment.value(QStringLiteral("XDG_SESSION_TYPE")) == u"wayland";
    const bool xDisplay = !environment.value(QStringLiteral("DISPLAY")).isEmpty();
    return !userChose && wayland && xDisplay ? QByteArrayLiteral("xcb;wayland") : QByteArray();
}

} // namespace displayplatform

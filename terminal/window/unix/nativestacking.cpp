#include "window/nativestacking.h"

#include <QGuiApplication>
#include <QWidget>

#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#endif

namespace nativestacking {

#if QT_CONFIG(xcb)

namespace {

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, quint16(qstrlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

// Asks the window manager to add or remove _NET_WM_STATE_ABOVE for a mapped
// window: a client message to the root window, as EWMH prescribes.
bool setTopmost(QWidget *shownWindow, bool topmost)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return false;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;
    const auto windowId = xcb_window_t(shownWindow->winId());

    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, windowId), nullptr),
        &std::free);
    const xcb_atom_t state = internAtom(connection, "_NET_WM_STATE");
    const xcb_atom_t above = internAtom(connection, "_NET_WM_STATE_ABOVE");
    if (!geometry || state == XCB_ATOM_NONE || above == XCB_ATOM_NONE)
        return false;

    constexpr quint32 removeState = 0;
    constexpr quint32 addState = 1;
    constexpr quint32 sourceIsApplication = 1;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = windowId;
    message.type = state;
    message.data.data32[0] = topmost ? addState : removeState;
    message.data.data32[1] = above;
    message.data.data32[2] = 0;
    message.data.data32[3] = sourceIsApplication;
    xcb_send_event(connection, 0, geometry->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(connection);
    return true;
}

#else

bool setTopmost(QWidget *, bool)
{
    return false;
}

#endif

} // namespace nativestacking

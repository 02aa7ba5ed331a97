#pragma once

#include <QByteArray>
#include <QList>

#include <xcb/xcb.h>

#include <cstdlib>

// Plain X windows for tests, made on a connection of their own to the display
// named by DISPLAY. The server destroys them when the object goes.
class XWindows
{
public:
    XWindows() : m_connection(xcb_connect(nullptr, nullptr)) {}
    ~XWindows() { xcb_disconnect(m_connection); }
    XWindows(const XWindows &) = delete;
    XWindows &operator=(const XWindows &) = delete;

    bool isValid() const { return !xcb_connection_has_error(m_connection); }
    xcb_window_t root() const
    {
        return xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }

    xcb_window_t create(xcb_window_t parent)
    {
        const xcb_window_t window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, parent, 0, 0, 100, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        return window;
    }

    void setText(xcb_window_t window, const QByteArray &property, const QByteArray &type,
                 const QByteArray &text)
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, atom(property), atom(type),
                            8, uint32_t(text.size()), text.constData());
    }

    void setWindows(xcb_window_t window, const QByteArray &property,
                    const QList<xcb_window_t> &windows)
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, atom(property),
                            XCB_ATOM_WINDOW, 32, uint32_t(windows.size()), windows.constData());
    }

    void removeProperty(xcb_window_t window, const QByteArray &property)
    {
        xcb_delete_property(m_connection, window, atom(property));
    }

    // What a window manager sends when the user closes a window.
    void askToClose(xcb_window_t window)
    {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom("WM_PROTOCOLS");
        message.data.data32[0] = atom("WM_DELETE_WINDOW");
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char *>(&message));
    }

    // Waits until the server has carried out everything sent so far.
    void sync()
    {
        std::free(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

    xcb_atom_t atom(const QByteArray &name)
    {
        if (name == "STRING")
            return XCB_ATOM_STRING;
        if (name == "WM_NAME")
            return XCB_ATOM_WM_NAME;
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, uint16_t(name.size()), name.constData()),
            nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return atom;
    }

private:
    xcb_connection_t *m_connection;
};

#pragma once

#include "launcher/launchseams.h"

#include <string>

struct xcb_connection_t;

// Finds top-level windows by title on an X display, with or without a window
// manager: it looks at the children of each root window and two levels
// below them (where reparenting window managers keep the client windows), and
// at the window manager's client list when there is one. A window matches
// when its _NET_WM_NAME (UTF-8) or its WM_NAME (Latin-1 or UTF-8) is exactly
// the title.
class XcbWindowFinder : public WindowFinder
{
public:
    // displayName empty: the display named by DISPLAY. The connection is made
    // at the first find(); a display that cannot be reached then, or whose
    // connection breaks later, is not asked again.
    explicit XcbWindowFinder(std::string displayName = {});
    ~XcbWindowFinder() override;
    XcbWindowFinder(const XcbWindowFinder &) = delete;
    XcbWindowFinder &operator=(const XcbWindowFinder &) = delete;

    std::optional<std::vector<TitledWindow>> find(std::string_view title) override;

private:
    bool connect();
    void disconnect();

    std::string m_displayName;
    xcb_connection_t *m_connection = nullptr;
    bool m_tried = false;
    std::uint32_t m_netWmName = 0;
    std::uint32_t m_utf8String = 0;
    std::uint32_t m_netClientList = 0;
    std::uint32_t m_netWmPid = 0;
};

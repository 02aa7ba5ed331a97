#include "launcher/unix/windowlookup.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

struct FreeReply
{
    void operator()(void *reply) const { std::free(reply); }
};
template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, FreeReply>;

// Errors come back with the reply instead of piling up in the event queue.
template <typename Reply, typename Cookie, typename Fetch>
ReplyPtr<Reply> takeReply(xcb_connection_t *connection, Cookie cookie, Fetch fetch)
{
    xcb_generic_error_t *error = nullptr;
    ReplyPtr<Reply> reply(fetch(connection, cookie, &error));
    std::free(error);
    return reply;
}

using Windows = std::vector<xcb_window_t>;

// The children of every window in parents, asked all at once.
Windows childrenOf(xcb_connection_t *connection, const Windows &parents)
{
    std::vector<xcb_query_tree_cookie_t> cookies;
    cookies.reserve(parents.size());
    for (xcb_window_t parent : parents)
        cookies.push_back(xcb_query_tree(connection, parent));
    Windows children;
    for (xcb_query_tree_cookie_t cookie : cookies) {
        const auto tree =
            takeReply<xcb_query_tree_reply_t>(connection, cookie, xcb_query_tree_reply);
        if (!tree)
            continue;
        const xcb_window_t *first = xcb_query_tree_children(tree.get());
        children.insert(children.end(), first, first + xcb_query_tree_children_length(tree.get()));
    }
    return children;
}

xcb_get_property_cookie_t askProperty(xcb_connection_t *connection, xcb_window_t window,
                                      xcb_atom_t property, xcb_atom_t type, uint32_t words)
{
    return xcb_get_property(connection, 0, window, property, type, 0, words);
}

ReplyPtr<xcb_get_property_reply_t> takeProperty(xcb_connection_t *connection,
                                                xcb_get_property_cookie_t cookie)
{
    return takeReply<xcb_get_property_reply_t>(connection, cookie, xcb_get_property_reply);
}

// The text of a property whose whole value came back, as the given type.
std::optional<std::string> textOf(const xcb_get_property_reply_t *reply)
{
    if (!reply || reply->format != 8 || reply->bytes_after != 0)
        return std::nullopt;
    return std::string(static_cast<const char *>(xcb_get_property_value(reply)),
                       size_t(xcb_get_property_value_length(reply)));
}

// Latin-1 text (an X STRING) as UTF-8.
std::string utf8FromLatin1(std::string_view latin1)
{
    std::string utf8;
    utf8.reserve(latin1.size());
    for (const char c : latin1) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x80) {
            utf8 += c;
        } else {
            utf8 += char(0xc0 | (code >> 6));
            utf8 += char(0x80 | (code & 0x3f));
        }
    }
    return utf8;
}

} // namespace

XcbWindowFinder::XcbWindowFinder(std::string displayName) : m_displayName(std::move(displayName)) {}

XcbWindowFinder::~XcbWindowFinder()
{
    disconnect();
}

void XcbWindowFinder::disconnect()
{
    if (m_connection)
        xcb_disconnect(m_connection);
    m_connection = nullptr;
}

bool XcbWindowFinder::connect()
{
    if (m_tried)
        return m_connection != nullptr;
    m_tried = true;
    xcb_connection_t *connection =
        xcb_connect(m_displayName.empty() ? nullptr : m_displayName.c_str(), nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return false;
    }
    m_connection = connection;

    const std::array<std::string_view, 4> names = {"_NET_WM_NAME", "UTF8_STRING",
                                                   "_NET_CLIENT_LIST", "_NET_WM_PID"};
    std::array<xcb_intern_atom_cookie_t, 4> cookies{};
    for (size_t i = 0; i < names.size(); ++i)
        cookies[i] = xcb_intern_atom(connection, 0, uint16_t(names[i].size()), names[i].data());
    std::array<xcb_atom_t, 4> atoms{};
    for (size_t i = 0; i < names.size(); ++i) {
        const auto reply =
            takeReply<xcb_intern_atom_reply_t>(connection, cookies[i], xcb_intern_atom_reply);
        atoms[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    m_netWmName = atoms[0];
    m_utf8String = atoms[1];
    m_netClientList = atoms[2];
    m_netWmPid = atoms[3];
    if (xcb_connection_has_error(connection)) {
        disconnect();
        return false;
    }
    return true;
}

std::optional<std::vector<TitledWindow>> XcbWindowFinder::find(std::string_view title)
{
    if (!connect())
        return std::nullopt;
    xcb_connection_t *const connection = m_connection;

    Windows roots;
    for (auto screen = xcb_setup_roots_iterator(xcb_get_setup(connection)); screen.rem;
         xcb_screen_next(&screen))
        roots.push_back(screen.data->root);

    // Top-level windows without a window manager; frames, and the client
    // windows one or two levels inside them, with one.
    Windows candidates;
    Windows level = roots;
    for (int depth = 0; depth < 3; ++depth) {
        level = childrenOf(connection, level);
        candidates.insert(candidates.end(), level.begin(), level.end());
    }
    std::vector<xcb_get_property_cookie_t> listCookies;
    for (xcb_window_t root : roots)
        listCookies.push_back(
            askProperty(connection, root, m_netClientList, XCB_ATOM_WINDOW, 1 << 16));
    for (xcb_get_property_cookie_t cookie : listCookies) {
        const auto list = takeProperty(connection, cookie);
        if (!list || list->format != 32 || list->type != XCB_ATOM_WINDOW)
            continue;
        const auto *first = static_cast<const xcb_window_t *>(xcb_get_property_value(list.get()));
        candidates.insert(candidates.end(), first,
                          first + xcb_get_property_value_length(list.get()) / 4);
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

    // One word more than the title needs, so that a longer name shows as longer.
    const auto words = uint32_t(title.size() / 4 + 2);
    std::vector<std::pair<xcb_get_property_cookie_t, xcb_get_property_cookie_t>> nameCookies;
    nameCookies.reserve(candidates.size());
    for (xcb_window_t window : candidates)
        nameCookies.emplace_back(
            askProperty(connection, window, m_netWmName, m_utf8String, words),
            askProperty(connection, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, words));

    Windows matches;
    for (size_t i = 0; i < candidates.size(); ++i) {
        const auto netName = takeProperty(connection, nameCookies[i].first);
        const auto name = takeProperty(connection, nameCookies[i].second);
        bool matched = netName && netName->type == m_utf8String && textOf(netName.get()) == title;
        if (const std::optional<std::string> text = textOf(name.get())) {
            if (name->type == m_utf8String)
                matched = matched || *text == title;
            else if (name->type == XCB_ATOM_STRING)
                matched = matched || utf8FromLatin1(*text) == title;
        }
        if (matched)
            matches.push_back(candidates[i]);
    }

    std::vector<xcb_get_property_cookie_t> pidCookies;
    for (xcb_window_t window : matches)
        pidCookies.push_back(askProperty(connection, window, m_netWmPid, XCB_ATOM_CARDINAL, 1));
    std::vector<TitledWindow> found;
    for (size_t i = 0; i < matches.size(); ++i) {
        const auto pid = takeProperty(connection, pidCookies[i]);
        TitledWindow window{matches[i], 0};
        if (pid && pid->format == 32 && xcb_get_property_value_length(pid.get()) >= 4)
            window.processId =
                pid_t(*static_cast<const uint32_t *>(xcb_get_property_value(pid.get())));
        found.push_back(window);
    }

    if (xcb_connection_has_error(connection)) {
        disconnect();
        return std::nullopt;
    }
    return found;
}

#include "tests/support/windowsystem.h"

#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace windowsystem {
namespace {

template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

xcb_connection_t *connection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_atom_t atom(const char *name)
{
    ReplyPtr<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(
            connection(), xcb_intern_atom(connection(), 0, quint16(qstrlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The 32-bit values of a window's property.
QList<quint32> valuesOf(xcb_window_t window, const char *property, xcb_atom_t type)
{
    ReplyPtr<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(
            connection(), xcb_get_property(connection(), 0, window, atom(property), type, 0, 64),
            nullptr),
        &std::free);
    QList<quint32> values;
    if (reply && reply->format == 32) {
        const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
        for (int i = 0; i < xcb_get_property_value_length(reply.get()) / 4; ++i)
            values.append(data[i]);
    }
    return values;
}

struct WindowManager
{
    QTemporaryDir scratch;
    QProcess process;
};
std::unique_ptr<WindowManager> windowManager;

} // namespace

QString start()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return QStringLiteral("the test needs an X display");
    windowManager = std::make_unique<WindowManager>();
    // Openbox says it has finished starting by running its start-up
    // command; a window mapped before then may go unmanaged.
    const QString ready = windowManager->scratch.filePath(QStringLiteral("ready"));
    windowManager->process.start(QStringLiteral("openbox"),
                                 {QStringLiteral("--sm-disable"), QStringLiteral("--startup"),
                                  QStringLiteral("touch ") + ready});
    if (!windowManager->process.waitForStarted())
        return QStringLiteral("openbox is needed (scripts/setup.sh test)");
    if (!QTest::qWaitFor([&] { return QFile::exists(ready); }, 20000))
        return QStringLiteral("openbox did not finish starting");
    return QString();
}

void stop()
{
    if (!windowManager)
        return;
    windowManager->process.terminate();
    windowManager->process.waitForFinished();
    windowManager.reset();
}

bool isTopmost(const QWidget &window)
{
    return valuesOf(xcb_window_t(window.winId()), "_NET_WM_STATE", XCB_ATOM_ATOM)
        .contains(atom("_NET_WM_STATE_ABOVE"));
}

// Where the X server has the window's client area, on the screen.
QRect clientArea(const QWidget &window)
{
    const auto id = xcb_window_t(window.winId());
    ReplyPtr<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection(), xcb_get_geometry(connection(), id), nullptr),
        &std::free);
    if (!geometry)
        return {};
    ReplyPtr<xcb_translate_coordinates_reply_t> origin(
        xcb_translate_coordinates_reply(
            connection(), xcb_translate_coordinates(connection(), id, geometry->root, 0, 0),
            nullptr),
        &std::free);
    return origin ? QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height)
                  : QRect();
}

// The client area and the frame extents that the window manager reports.
QRect outerFrame(const QWidget &window)
{
    const QList<quint32> extents =
        valuesOf(xcb_window_t(window.winId()), "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL);
    const QRect client = clientArea(window);
    if (extents.size() != 4 || extents[2] == 0 || !client.isValid())
        return {};
    // Left, right, top, bottom.
    return client.adjusted(-int(extents[0]), -int(extents[2]), int(extents[1]), int(extents[3]));
}

} // namespace windowsystem

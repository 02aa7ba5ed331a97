// The window under a real X server with a window manager, as the server and
// the window manager see it (read back through xcb): centred by its outer
// frame, and always on top through the _NET_WM_STATE that the window manager
// keeps.
#include "window/mainfom.h"

#include <QCheckBox>
#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QtGui/qguiapplication_platform.h>
#include <QtMath>

#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

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

// Where the X server has the window's client area, on the screen.
QRect serverGeometry(xcb_window_t window)
{
    ReplyPtr<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection(), xcb_get_geometry(connection(), window), nullptr),
        &std::free);
    if (!geometry)
        return {};
    ReplyPtr<xcb_translate_coordinates_reply_t> origin(
        xcb_translate_coordinates_reply(
            connection(), xcb_translate_coordinates(connection(), window, geometry->root, 0, 0),
            nullptr),
        &std::free);
    return origin ? QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height)
                  : QRect();
}

bool isAbove(const QWidget &window)
{
    return valuesOf(xcb_window_t(window.winId()), "_NET_WM_STATE", XCB_ATOM_ATOM)
        .contains(atom("_NET_WM_STATE_ABOVE"));
}

// How far the centre of the window's outer frame (the client area and the
// frame extents that the window manager reports) lies from the screen's
// centre, in pixels; -1 while the window is not framed.
int frameOffCentre(const QWidget &window)
{
    const auto id = xcb_window_t(window.winId());
    const QList<quint32> extents = valuesOf(id, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL);
    const QRect client = serverGeometry(id);
    if (extents.size() != 4 || extents[2] == 0 || !client.isValid())
        return -1;
    // Left, right, top, bottom.
    const QRect frame =
        client.adjusted(-int(extents[0]), -int(extents[2]), int(extents[1]), int(extents[3]));
    const QPointF offset = QRectF(frame).center() - QRectF(window.screen()->geometry()).center();
    return qCeil(std::max(std::abs(offset.x()), std::abs(offset.y())));
}

class HideCounter : public QObject
{
public:
    int hides = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Hide)
            ++hides;
        return false;
    }
};

} // namespace

class tst_WindowManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void startsCentredByItsOuterFrame();
    void untickAndTickKeepThePlace();

private:
    QTemporaryDir m_scratch;
    QProcess m_windowManager;
};

void tst_WindowManager::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    // Openbox says it has finished starting by running its start-up
    // command; a window mapped before then may go unmanaged.
    const QString ready = m_scratch.filePath(QStringLiteral("ready"));
    m_windowManager.start(QStringLiteral("openbox"),
                          {QStringLiteral("--sm-disable"), QStringLiteral("--startup"),
                           QStringLiteral("touch ") + ready});
    QVERIFY2(m_windowManager.waitForStarted(), "openbox is needed (scripts/setup.sh test)");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ready), 20000);
}

void tst_WindowManager::cleanupTestCase()
{
    m_windowManager.terminate();
    m_windowManager.waitForFinished();
}

void tst_WindowManager::startsCentredByItsOuterFrame()
{
    MainFom window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Title bar and borders are the window manager's: the frame, not the
    // client area, is centred.
    QTRY_VERIFY_WITH_TIMEOUT(frameOffCentre(window) >= 0 && frameOffCentre(window) <= 1, 10000);
}

void tst_WindowManager::untickAndTickKeepThePlace()
{
    MainFom window;
    HideCounter counter;
    window.installEventFilter(&counter);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const auto id = xcb_window_t(window.winId());

    // Topmost from the start, without a click; placed once centred.
    QTRY_VERIFY_WITH_TIMEOUT(isAbove(window), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(frameOffCentre(window) >= 0 && frameOffCentre(window) <= 1, 10000);
    const QRect placed = serverGeometry(id);
    QVERIFY(placed.isValid());

    window.OntopChk->click();
    QTRY_VERIFY_WITH_TIMEOUT(!isAbove(window), 10000);
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(serverGeometry(id), placed);

    window.OntopChk->click();
    QTRY_VERIFY_WITH_TIMEOUT(isAbove(window), 10000);
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(serverGeometry(id), placed);

    // The same native window all along, never hidden and shown again.
    QCOMPARE(xcb_window_t(window.winId()), id);
    QCOMPARE(counter.hides, 0);
}

QTEST_MAIN(tst_WindowManager)
#include "tst_windowmanager.moc"

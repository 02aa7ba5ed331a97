// Always-on-top under a real X server with a window manager: the window's
// _NET_WM_STATE as the window manager keeps it, read back through xcb.
#include "mainfom.h"
#include "windowstacking.h"

#include <QCheckBox>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

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

QList<xcb_atom_t> atomsOf(xcb_window_t window, const char *property, xcb_atom_t type)
{
    ReplyPtr<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(
            connection(), xcb_get_property(connection(), 0, window, atom(property), type, 0, 64),
            nullptr),
        &std::free);
    QList<xcb_atom_t> atoms;
    if (reply && reply->format == 32) {
        const auto *values = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply.get()));
        for (int i = 0; i < xcb_get_property_value_length(reply.get()) / 4; ++i)
            atoms.append(values[i]);
    }
    return atoms;
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
    return atomsOf(xcb_window_t(window.winId()), "_NET_WM_STATE", XCB_ATOM_ATOM)
        .contains(atom("_NET_WM_STATE_ABOVE"));
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

class TestWindowStacking : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void untickAndTickKeepThePlace();

private:
    QTemporaryDir m_scratch;
    QProcess m_windowManager;
};

void TestWindowStacking::initTestCase()
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

void TestWindowStacking::cleanupTestCase()
{
    m_windowManager.terminate();
    m_windowManager.waitForFinished();
}

void TestWindowStacking::untickAndTickKeepThePlace()
{
    MainFom window;
    HideCounter counter;
    window.installEventFilter(&counter);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const auto id = xcb_window_t(window.winId());

    // Topmost from the start, without a click.
    QTRY_VERIFY_WITH_TIMEOUT(isAbove(window), 10000);
    const QRect placed = serverGeometry(id);
    QVERIFY(placed.isValid());

    window.OntopChk->click();
    QTRY_VERIFY_WITH_TIMEOUT(!isAbove(window), 10000);
    QVERIFY(!windowstacking::isTopmost(&window));
    QCOMPARE(serverGeometry(id), placed);

    window.OntopChk->click();
    QTRY_VERIFY_WITH_TIMEOUT(isAbove(window), 10000);
    QVERIFY(windowstacking::isTopmost(&window));
    QCOMPARE(serverGeometry(id), placed);

    // The same native window all along, never hidden and shown again.
    QCOMPARE(xcb_window_t(window.winId()), id);
    QCOMPARE(counter.hides, 0);
}

QTEST_MAIN(TestWindowStacking)
#include "tst_windowstacking.moc"

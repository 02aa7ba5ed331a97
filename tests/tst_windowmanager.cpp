// The window as the window system sees it (read back from the system, not
// from Qt): centred by its outer frame, and always on top in the system's
// own terms. On X11 under a window manager, on Windows through its API.
#include "tests/support/windowsystem.h"
#include "window/mainfom.h"

#include <QCheckBox>
#include <QScreen>
#include <QTest>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

// How far the centre of the window's outer frame lies from the screen's
// centre, in pixels; -1 while the window is not framed.
int frameOffCentre(const QWidget &window)
{
    const QRect frame = windowsystem::outerFrame(window);
    if (!frame.isValid())
        return -1;
    const QPointF offset =
        QRectF(frame).center() - QRectF(window.screen()->availableGeometry()).center();
    return qCeil(std::max(std::abs(offset.x()), std::abs(offset.y())));
}

// Where the frame and the client area are, for a failure's message.
QByteArray placeOf(const QWidget &window)
{
    const auto text = [](const QRect &r) {
        return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    };
    return QStringLiteral("frame %1 (Qt: %2), client %3, screen %4")
        .arg(text(windowsystem::outerFrame(window)), text(window.frameGeometry()),
             text(windowsystem::clientArea(window)), text(window.screen()->availableGeometry()))
        .toLatin1();
}

bool isCentred(const QWidget &window)
{
    return frameOffCentre(window) >= 0 && frameOffCentre(window) <= 1;
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
};

void tst_WindowManager::initTestCase()
{
    const QString trouble = windowsystem::start();
    QVERIFY2(trouble.isEmpty(), qPrintable(trouble));
}

void tst_WindowManager::cleanupTestCase()
{
    windowsystem::stop();
}

void tst_WindowManager::startsCentredByItsOuterFrame()
{
    MainFom window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Title bar and borders are the window system's: the frame, not the
    // client area, is centred.
    QTRY_VERIFY2_WITH_TIMEOUT(isCentred(window), placeOf(window), 10000);
}

void tst_WindowManager::untickAndTickKeepThePlace()
{
    MainFom window;
    HideCounter counter;
    window.installEventFilter(&counter);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const WId id = window.winId();

    // Topmost from the start, without a click; placed once centred.
    QTRY_VERIFY_WITH_TIMEOUT(windowsystem::isTopmost(window), 10000);
    QTRY_VERIFY2_WITH_TIMEOUT(isCentred(window), placeOf(window), 10000);
    const QRect placed = windowsystem::clientArea(window);
    QVERIFY(placed.isValid());

    window.OntopChk->click();
    QTRY_VERIFY_WITH_TIMEOUT(!windowsystem::isTopmost(window), 10000);
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(windowsystem::clientArea(window), placed);

    window.OntopChk->click();
    QTRY_VERIFY_WITH_TIMEOUT(windowsystem::isTopmost(window), 10000);
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(windowsystem::clientArea(window), placed);

    // The same native window all along, never hidden and shown again.
    QCOMPARE(window.winId(), id);
    QCOMPARE(counter.hides, 0);
}

QTEST_MAIN(tst_WindowManager)
#include "tst_windowmanager.moc"

#include "receive/receiveview.h"
#include "send/sendbox.h"
#include "tests/support/intwips.h"
#include "widgets/controlcolor.h"
#include "widgets/linklabel.h"
#include "widgets/splitbar.h"
#include "window/mainfom.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QGuiApplication>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>

#ifndef Q_OS_WIN
#include "window/unix/displayplatform.h"
#endif

namespace {

// Every control the layout moves, with its geometry in twips.
QList<QRect> layoutOf(const MainFom &w)
{
    return {inTwips(w.StaFra), inTwips(w.SFra), inTwips(w.OntopChk), inTwips(w.SCmd),
            // The label's size follows its caption; the layout moves it only.
            QRect(inTwips(w.dravikZZlab).topLeft(), QSize(840, 210)), inTwips(w.GZFra),
            inTwips(w.TXTSol), inTwips(w.RTxt), inTwips(w.STxt),
            QRect(w.TXTSol->minimum(), w.TXTSol->value(), w.TXTSol->maximum(), 0)};
}

// The pixel row of the bar in the middle of the gap between the boxes.
int gapRow(const MainFom &w)
{
    return (w.RTxt->height() + w.STxt->y() - w.TXTSol->y()) / 2;
}

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

} // namespace

class tst_WindowBehaviour : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startSizeChangesNothing();
    void followsTheWindowsSize();
    void neverSmallerThanAtStart();
    void minimisedAndRestored();
    void dragInTheGapMovesTheBoundary_data();
    void dragInTheGapMovesTheBoundary();
    void keysAndArrowsLeaveTheBoxes();
    void labelBlinks();
    void feedbackLinkOpensThePage();
    void alwaysOnTopTogglesInPlace();
#ifndef Q_OS_WIN
    void waylandSessionsRunThroughTheirXDisplay_data();
    void waylandSessionsRunThroughTheirXDisplay();
#endif

private:
    MainFom *w = nullptr;
};

void tst_WindowBehaviour::init()
{
    w = new MainFom;
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
}

void tst_WindowBehaviour::cleanup()
{
    delete w;
    w = nullptr;
}

// The start geometry is the control table's (tst_mainfom); a layout pass at
// the start size keeps it.
void tst_WindowBehaviour::startSizeChangesNothing()
{
    QCOMPARE(w->size(), QSize(498, 382));
    const QList<QRect> atStart = layoutOf(*w);
    w->FormResize();
    QCOMPARE(layoutOf(*w), atStart);
}

void tst_WindowBehaviour::followsTheWindowsSize()
{
    w->resize(598, 482); // outer 9090 by 7740 twips
    QTRY_COMPARE(w->size(), QSize(598, 482));
    QCOMPARE(inTwips(w->SCmd).topLeft(), QPoint(4710, 6600));
    QCOMPARE(w->GZFra->pos(), QPoint(10, 255)); // 150, 3820 twips to the nearer pixel
    QCOMPARE(inTwips(w->RTxt).size(), QSize(7035, 5295));
    QCOMPARE(inTwips(w->STxt), QRect(1860, 5460, 7035, 1080));

    // A window 2400 logical pixels tall (outer height 36510 twips): the boxes
    // still follow its height.
    w->resize(498, 2400);
    QTRY_COMPARE(w->size(), QSize(498, 2400));
    QCOMPARE(inTwips(w->STxt).bottom() + 1, 35310);
    QCOMPARE(inTwips(w->STxt).height(), 1080);
    QCOMPARE(inTwips(w->RTxt).height(), 34065);
}

void tst_WindowBehaviour::neverSmallerThanAtStart()
{
    w->resize(700, 500);
    QTRY_COMPARE(w->size(), QSize(700, 500));
    w->resize(300, 450);
    QTRY_COMPARE(w->size(), QSize(498, 450));
    w->resize(600, 100);
    QTRY_COMPARE(w->size(), QSize(600, 382));
}

void tst_WindowBehaviour::minimisedAndRestored()
{
    w->resize(600, 500);
    QTRY_COMPARE(w->size(), QSize(600, 500));
    const QList<QRect> before = layoutOf(*w);
    w->showMinimized();
    QTRY_VERIFY(w->isMinimized());
    w->FormResize();
    w->showNormal();
    QTRY_VERIFY(!w->isMinimized());
    QCOMPARE(w->size(), QSize(600, 500));
    QCOMPARE(layoutOf(*w), before);
}

void tst_WindowBehaviour::dragInTheGapMovesTheBoundary_data()
{
    // The gap is three pixel rows high.
    QTest::addColumn<int>("rowInGap");
    QTest::newRow("top row") << -1;
    QTest::newRow("middle row") << 0;
    QTest::newRow("bottom row") << 1;
}

void tst_WindowBehaviour::dragInTheGapMovesTheBoundary()
{
    QFETCH(int, rowInGap);
    QSignalSpy scrolls(w->TXTSol, &SplitBar::sliderMoved);
    const QList<QRect> before = layoutOf(*w);
    const int row = gapRow(*w) + rowInGap;
    // A press alone, wherever in the gap, moves nothing.
    QTest::mouseClick(w->TXTSol, Qt::LeftButton, {}, QPoint(100, row));
    QCOMPARE(layoutOf(*w), before);
    QCOMPARE(scrolls.size(), 0);

    QTest::mousePress(w->TXTSol, Qt::LeftButton, {}, QPoint(100, row));
    QCOMPARE(w->TXTSol->value(), 3825);

    QTest::mouseMove(w->TXTSol, QPoint(100, row + 20));
    QCOMPARE(w->TXTSol->value(), 4125);
    QCOMPARE(inTwips(w->RTxt).height(), 4095);
    QCOMPARE(inTwips(w->STxt).top(), 4260);
    QCOMPARE(inTwips(w->STxt).height(), 780);
    QCOMPARE(gapRow(*w) + rowInGap, row + 20); // the gap stays under the pointer

    // Past the top the boundary stops at Min.
    QTest::mouseMove(w->TXTSol, QPoint(100, -50));
    QTest::mouseRelease(w->TXTSol, Qt::LeftButton, {}, QPoint(100, -50));
    QCOMPARE(w->TXTSol->value(), 270);
    QCOMPARE(inTwips(w->RTxt).height(), 240);
    QCOMPARE(inTwips(w->STxt).top(), 405);
    QCOMPARE(inTwips(w->STxt).height(), 4635);
    QCOMPARE(scrolls.size(), 2);
    QVERIFY(!w->TXTSol->isSliderDown());

    // A taller window keeps the send box as the drag left it.
    w->resize(498, 482);
    QTRY_COMPARE(w->size(), QSize(498, 482));
    QCOMPARE(inTwips(w->STxt).height(), 4635);
    QCOMPARE(inTwips(w->RTxt).height(), 1740);
}

void tst_WindowBehaviour::keysAndArrowsLeaveTheBoxes()
{
    const QRect receive = inTwips(w->RTxt);
    const QRect send = inTwips(w->STxt);
    w->TXTSol->setFocus();
    QTest::keyClick(w->TXTSol, Qt::Key_Up);
    QTest::keyClick(w->TXTSol, Qt::Key_PageUp);
    QVERIFY(w->TXTSol->value() < 3825);
    // A click on the strip below the send box (the bar's down arrow).
    const int valueBefore = w->TXTSol->value();
    QTest::mouseClick(w->TXTSol, Qt::LeftButton, {}, QPoint(100, w->TXTSol->height() - 1));
    QVERIFY(w->TXTSol->value() > valueBefore);
    QCOMPARE(inTwips(w->RTxt), receive);
    QCOMPARE(inTwips(w->STxt), send);
}

void tst_WindowBehaviour::labelBlinks()
{
    w->LOGOTimer->stop(); // ticks come from the test alone
    w->dravikZZlab->setForeColor(controlcolor::buttonText);
    QList<quint32> colours;
    for (int tick = 0; tick < 4; ++tick) {
        w->LOGOTimerTimer();
        colours.append(w->dravikZZlab->foreColor());
    }
    const QList<quint32> expected{controlcolor::red, controlcolor::buttonText, controlcolor::red,
                                  controlcolor::buttonText};
    QCOMPARE(colours, expected);
    QCOMPARE(w->dravikZZlab->palette().color(QPalette::WindowText),
             w->palette().color(QPalette::ButtonText));

    w->dravikZZlab->setForeColor(controlcolor::green);
    w->LOGOTimerTimer();
    QCOMPARE(w->dravikZZlab->foreColor(), controlcolor::green);
}

void tst_WindowBehaviour::feedbackLinkOpensThePage()
{
    UrlRecorder browser;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
    QTest::mouseClick(w->dravikZZlab, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QCOMPARE(browser.opened,
             QList<QUrl>{QUrl(QStringLiteral("http://dravik.blog.example/guestbook"))});

    // Nothing to open it with (offscreen has no browser): the click comes
    // back and the window goes on. Elsewhere a browser would open.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        return;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("openUrl"));
    w->dravikZZlabClick();
    QVERIFY(w->isVisible());
}

void tst_WindowBehaviour::alwaysOnTopTogglesInPlace()
{
    QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    const QRect geometry = w->geometry();
    const WId id = w->winId();

    w->OntopChk->click();
    QVERIFY(!w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(w->geometry(), geometry);
    QCOMPARE(w->winId(), id); // not re-created
    QVERIFY(w->isVisible());

    w->OntopChk->click();
    QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(w->geometry(), geometry);
    QCOMPARE(w->winId(), id);
}

#ifndef Q_OS_WIN
void tst_WindowBehaviour::waylandSessionsRunThroughTheirXDisplay_data()
{
    QTest::addColumn<QStringList>("variables");
    QTest::addColumn<QByteArray>("plugins");
    const QString wayland = QStringLiteral("XDG_SESSION_TYPE=wayland");
    const QString display = QStringLiteral("DISPLAY=:1");
    QTest::newRow("Wayland with Xwayland")
        << QStringList{wayland, display} << QByteArray("xcb;wayland");
    QTest::newRow("empty QT_QPA_PLATFORM")
        << QStringList{wayland, display, "QT_QPA_PLATFORM="} << QByteArray("xcb;wayland");
    QTest::newRow("user's choice")
        << QStringList{wayland, display, "QT_QPA_PLATFORM=wayland"} << QByteArray();
    QTest::newRow("no X display") << QStringList{wayland, "DISPLAY="} << QByteArray();
    QTest::newRow("X11 session") << QStringList{"XDG_SESSION_TYPE=x11", display} << QByteArray();
}

void tst_WindowBehaviour::waylandSessionsRunThroughTheirXDisplay()
{
    QFETCH(QStringList, variables);
    QFETCH(QByteArray, plugins);
    QProcessEnvironment environment;
    for (const QString &variable : variables)
        environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
    QCOMPARE(displayplatform::pluginsFor(environment), plugins);
}
#endif

QTEST_MAIN(tst_WindowBehaviour)
#include "tst_windowbehaviour.moc"

#include "window/windowlayout.h"

#include <QTest>

using windowlayout::Placement;

Q_DECLARE_METATYPE(Placement)

namespace {

// Each placement lists the tops of StaFra, SFra, OntopChk and SCmd; SCmd's
// left; dravikZZlab's top; GZFra's left and top; the split bar's width,
// height, Max and Value; RTxt's width and height; STxt's top, width, height.

// The controls as the window starts: outer size 7590 by 6240.
Placement startPlacement()
{
    return {5340, 3900, 5100, 5100, 3960, 5460, 5940, 4980, 5535,
            4935, 4665, 3825, 5535, 3795, 3960, 5535, 1080};
}

} // namespace

class tst_WindowLayout : public QObject
{
    Q_OBJECT

private slots:
    void followsOuterSize_data();
    void followsOuterSize();
    void sendBoxTallerThanTheWindowAllows();
};

void tst_WindowLayout::followsOuterSize_data()
{
    QTest::addColumn<Placement>("current");
    QTest::addColumn<int>("outerWidth");
    QTest::addColumn<int>("outerHeight");
    QTest::addColumn<Placement>("expected");

    const Placement start = startPlacement();
    const Placement taller{5940, 4500, 5700, 5700, 3960, 6060, 5940, 5580, 5535,
                           5535, 5265, 4425, 5535, 4395, 4560, 5535, 1080};
    const Placement wider{5340, 3900, 5100, 5100, 4710, 5460, 7440, 4980, 7035,
                          4935, 4665, 3825, 7035, 3795, 3960, 7035, 1080};
    const Placement oddWidth{5340, 3900, 5100, 5100, 3967, 5460, 5955, 4980, 5550,
                             4935, 4665, 3825, 5550, 3795, 3960, 5550, 1080};
    const Placement widerTaller{6840, 5400, 6600, 6600, 4710, 6960, 150,  3820, 7035,
                                6435, 6165, 5325, 7035, 5295, 5460, 7035, 1080};
    const Placement justBelow{6339, 4899, 6099, 6099, 3960, 6459, 5940, 5979, 5535,
                              5934, 5664, 4824, 5535, 4794, 4959, 5535, 1080};
    const Placement leftColumn{6340, 4900, 6100, 6100, 3960, 6460, 150,  3820, 5535,
                               5935, 5665, 4825, 5535, 4795, 4960, 5535, 1080};
    const Placement veryTall{39100, 37660, 38860, 38860, 3960,  39220, 150,  3820, 5535,
                             38695, 38425, 37585, 5535,  37555, 37720, 5535, 1080};
    const Placement huge{999100, 997660, 998860, 998860, 50165,  999220, 150,   3820, 97945,
                         998695, 998425, 997585, 97945,  997555, 997720, 97945, 1080};
    QTest::newRow("start size changes nothing") << start << 7590 << 6240 << start;
    QTest::newRow("taller, still short") << start << 7590 << 6840 << taller;
    QTest::newRow("wider") << start << 9090 << 6240 << wider;
    QTest::newRow("odd width halves toward zero") << start << 7605 << 6240 << oddWidth;
    QTest::newRow("wider and taller") << start << 9090 << 7740 << widerTaller;
    QTest::newRow("just below 7240") << start << 7590 << 7239 << justBelow;
    QTest::newRow("7240 joins the left column") << start << 7590 << 7240 << leftColumn;
    // Far beyond what 16-bit arithmetic could hold: the boxes still follow.
    QTest::newRow("very tall") << start << 7590 << 40000 << veryTall;
    QTest::newRow("huge") << start << 100000 << 1000000 << huge;

    // A drag made the send box short at a tall window; the window shrinks:
    // the lower Max pulls the Value down and the boxes follow it.
    const Placement draggedLow{8340, 6900, 8100, 8100, 3960, 8460, 150,  3820, 5535,
                               7935, 7665, 7665, 5535, 7635, 7800, 5535, 240};
    Placement shrunk = start;
    shrunk.barValue = 4665;
    shrunk.receiveHeight = 4635;
    shrunk.sendTop = 4800;
    shrunk.sendHeight = 240;
    QTest::newRow("after a drag down, shorter") << draggedLow << 7590 << 6240 << shrunk;

    // A size no window shows but a minimised one may report: the steps whose
    // sizes would turn negative keep the old values.
    Placement tiny = start;
    tiny.statusFrameTop = -800;
    tiny.sendFrameTop = -2240;
    tiny.ontopTop = tiny.sendButtonTop = -1040;
    tiny.sendButtonLeft = 215;
    tiny.linkTop = -680;
    tiny.correctionLeft = -1550;
    tiny.correctionTop = -1160;
    QTest::newRow("tiny reported size") << start << 100 << 100 << tiny;
}

void tst_WindowLayout::followsOuterSize()
{
    QFETCH(Placement, current);
    QFETCH(int, outerWidth);
    QFETCH(int, outerHeight);
    QFETCH(Placement, expected);

    const Placement placed = windowlayout::placeForSize(current, outerWidth, outerHeight);
    QCOMPARE(placed, expected);
    // The gap between the boxes and the strip below the send box stay.
    QCOMPARE(placed.sendTop - (placed.receiveHeight + 120), 45);
    if (outerHeight >= 6240)
        QCOMPARE(placed.sendTop + placed.sendHeight, outerHeight - 1200);
}

void tst_WindowLayout::sendBoxTallerThanTheWindowAllows()
{
    // Dragged up to the top at a tall window, then made short again: the
    // send box gives way instead of running past the window's bottom edge.
    Placement draggedHigh = windowlayout::placeForSize(startPlacement(), 7590, 9240);
    draggedHigh.barValue = 270;
    draggedHigh = windowlayout::placeForBoundary(draggedHigh);
    QCOMPARE(draggedHigh.sendHeight, 7635);

    const Placement placed = windowlayout::placeForSize(draggedHigh, 7590, 6240);
    QCOMPARE(placed.barValue, 270);
    QCOMPARE(placed.receiveHeight, 240);
    QCOMPARE(placed.sendTop, 405);
    QCOMPARE(placed.sendHeight, 4635);
    QCOMPARE(placed.sendTop + placed.sendHeight, 6240 - 1200);

    // Growing again gives the new height to the receive box.
    const Placement regrown = windowlayout::placeForSize(placed, 7590, 7240);
    QCOMPARE(regrown.sendHeight, 4635);
    QCOMPARE(regrown.receiveHeight, 1240);
}

QTEST_APPLESS_MAIN(tst_WindowLayout)
#include "tst_windowlayout.moc"

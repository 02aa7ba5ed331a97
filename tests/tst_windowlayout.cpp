#include "windowlayout.h"

#include <QTest>

using windowlayout::Placement;

Q_DECLARE_METATYPE(Placement)

namespace {

// The controls as the window starts: outer size 7590 by 6240.
Placement startPlacement()
{
    return {5340, 3900, 5100, 5100, 3960, 5460, 5940, 4980, 5535,
            4935, 4665, 3825, 5535, 3795, 3960, 5535, 1080};
}

// The start placement moved for a window dw wider and dh taller, with the
// send box keeping its height and the correction frame at the given place.
Placement grown(int dw, int dh, int correctionLeft, int correctionTop)
{
    Placement p = startPlacement();
    for (int *top : {&p.statusFrameTop, &p.sendFrameTop, &p.ontopTop, &p.sendButtonTop, &p.linkTop,
                     &p.barHeight, &p.barMaximum, &p.barValue, &p.receiveHeight, &p.sendTop})
        *top += dh;
    for (int *width : {&p.barWidth, &p.receiveWidth, &p.sendWidth})
        *width += dw;
    p.sendButtonLeft = (7590 + dw) / 2 + 165;
    p.correctionLeft = correctionLeft;
    p.correctionTop = correctionTop;
    return p;
}

} // namespace

class TestWindowLayout : public QObject
{
    Q_OBJECT

private slots:
    void followsOuterSize_data();
    void followsOuterSize();
    void sendBoxTallerThanTheWindowAllows();
    void boundaryPlacesBothBoxes();
};

void TestWindowLayout::followsOuterSize_data()
{
    QTest::addColumn<Placement>("current");
    QTest::addColumn<int>("outerWidth");
    QTest::addColumn<int>("outerHeight");
    QTest::addColumn<Placement>("expected");

    const Placement start = startPlacement();
    QTest::newRow("start size changes nothing") << start << 7590 << 6240 << start;
    QTest::newRow("taller, still short") << start << 7590 << 6840 << grown(0, 600, 5940, 5580);
    QTest::newRow("wider") << start << 9090 << 6240 << grown(1500, 0, 7440, 4980);
    QTest::newRow("odd width halves toward zero")
        << start << 7605 << 6240 << grown(15, 0, 5955, 4980);
    QTest::newRow("wider and taller") << start << 9090 << 7740 << grown(1500, 1500, 150, 3820);
    QTest::newRow("just below 7240") << start << 7590 << 7239 << grown(0, 999, 5940, 5979);
    QTest::newRow("7240 joins the left column")
        << start << 7590 << 7240 << grown(0, 1000, 150, 3820);
    // Far beyond what 16-bit arithmetic could hold: the boxes still follow.
    QTest::newRow("very tall") << start << 7590 << 40000 << grown(0, 33760, 150, 3820);
    QTest::newRow("huge") << start << 100000 << 1000000 << grown(92410, 993760, 150, 3820);

    // A drag made the send box short at a tall window; the window shrinks:
    // the lower Max pulls the Value down and the boxes follow it.
    Placement draggedLow = grown(0, 3000, 150, 3820);
    draggedLow.barValue = draggedLow.barMaximum;
    draggedLow.sendHeight = 240;
    draggedLow.sendTop = draggedLow.barValue + 135;
    draggedLow.receiveHeight = draggedLow.barValue - 30;
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

void TestWindowLayout::followsOuterSize()
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

void TestWindowLayout::sendBoxTallerThanTheWindowAllows()
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

void TestWindowLayout::boundaryPlacesBothBoxes()
{
    // Value, then the receive box's height, the send box's top and height.
    const int cases[][4] = {
        {3825, 3795, 3960, 1080}, {270, 240, 405, 4635}, {4665, 4635, 4800, 240}};
    for (const auto &[value, receiveHeight, sendTop, sendHeight] : cases) {
        Placement current = startPlacement();
        current.barValue = value;
        Placement expected = current;
        expected.receiveHeight = receiveHeight;
        expected.sendTop = sendTop;
        expected.sendHeight = sendHeight;
        QCOMPARE(windowlayout::placeForBoundary(current), expected);
    }
}

QTEST_APPLESS_MAIN(TestWindowLayout)
#include "tst_windowlayout.moc"

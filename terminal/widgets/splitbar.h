#pragma once

#include <QScrollBar>

// The split bar between the receive box and the send box: a vertical scroll
// bar lying behind both boxes, whose Value is the boundary between them in
// twips from its top. Only a drag of the bar (sliderMoved) moves the boxes.
//
// The boxes leave two strips of the bar uncovered: the gap between them and
// a pixel row below the send box. A press in the gap grabs the boundary where
// it is, and while the button is held the boundary follows the pointer's
// movement row for row (not Qt's mapping of thumb and track); a press alone
// moves nothing. Keys, the wheel and a press in the bottom strip change the
// Value the way any scroll bar does, without moving the boxes.
class SplitBar : public QScrollBar
{
    Q_OBJECT

public:
    explicit SplitBar(QWidget *parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // The Value that puts the middle of the 45-twip gap (Value - 30 to
    // Value + 15) on pixel row y of the bar; not clamped to the bar's range.
    static int valueAtRow(int y);
    bool inBottomStrip(int y) const;
    void followPointer(int y);

    bool m_dragging = false;
    // Where in the gap the press grabbed it: the pointer's Value less the
    // boundary's, so that a press alone leaves the boundary where it is.
    int m_grabOffset = 0;
};

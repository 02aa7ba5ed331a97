#pragma once

#include <QScrollBar>

// The split bar between the receive box and the send box: a vertical scroll
// bar lying behind both boxes, whose Value is the boundary between them in
// twips from its top. Only a drag of the bar (sliderMoved) moves the boxes.
class SplitBar : public QScrollBar
{
    Q_OBJECT

public:
    explicit SplitBar(QWidget *parent = nullptr);
};

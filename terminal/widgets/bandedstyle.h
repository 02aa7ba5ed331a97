#pragma once

#include <QImage>
#include <QProxyStyle>

// The application's style, with scroll bars painted in bands of a few dozen
// rows. Qt's raster engine hands every fill that spans 96 rows or more to its
// thread pool and waits for it: for a bar as tall as a text box that hand-off
// costs many times the painting itself, and a box that streams redraws its
// bar with every frame. The bands look exactly like one whole bar; at a
// fractional device pixel ratio, where they would not, the bar is whole.
class BandedStyle : public QProxyStyle
{
    Q_OBJECT

public:
    BandedStyle();

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                            QPainter *painter, const QWidget *widget = nullptr) const override;

private:
    mutable QImage m_band; // one band at a time, kept for the next
};

#pragma once

#include <QProxyStyle>

// The application's style, made to fit the small controls of the window:
//  - a combo box's arrow button is only as wide as its arrow needs, which
//    leaves the edit field room for the widest item ("115200") in a box of
//    57 pixels;
//  - a check box's tick box is no taller than the check box, so that check
//    boxes shorter than the style's tick box still show all of it.
// Set on the controls that need it; other widgets keep the plain style. The
// style keeps drawn combo boxes by size and state, not by arrow width: every
// combo box of one size takes this style or none does.
class ControlStyle : public QProxyStyle
{
    Q_OBJECT

public:
    // The one instance, made on first use; the application owns it.
    static ControlStyle *instance();

    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option,
                         SubControl subControl, const QWidget *widget = nullptr) const override;

private:
    explicit ControlStyle(QStyle *base);
};

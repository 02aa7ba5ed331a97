#include "widgets/controlstyle.h"

#include <QApplication>
#include <QCheckBox>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOptionComplex>

namespace {

// The style's 8-pixel arrow with 2 pixels on either side.
constexpr int narrowestArrowButton = 12;

} // namespace

ControlStyle::ControlStyle(QStyle *base) : QProxyStyle(base) {}

ControlStyle *ControlStyle::instance()
{
    static QPointer<ControlStyle> style;
    if (!style) {
        // A base of its own (the proxy owns it) of the kind the application uses.
        style = new ControlStyle(QStyleFactory::create(QApplication::style()->name()));
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

int ControlStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                              const QWidget *widget) const
{
    const int value = QProxyStyle::pixelMetric(metric, option, widget);
    const bool tickBoxSide = metric == PM_IndicatorWidth || metric == PM_IndicatorHeight;
    if (tickBoxSide && qobject_cast<const QCheckBox *>(widget))
        return std::min(value, widget->height()); // square, as tall as the box allows
    return value;
}

QRect ControlStyle::subControlRect(ComplexControl control, const QStyleOptionComplex *option,
                                   SubControl subControl, const QWidget *widget) const
{
    const QRect rect = QProxyStyle::subControlRect(control, option, subControl, widget);
    if (control != CC_ComboBox ||
        (subControl != SC_ComboBoxArrow && subControl != SC_ComboBoxEditField))
        return rect;
    const QRect ownArrow = QProxyStyle::subControlRect(control, option, SC_ComboBoxArrow, widget);
    const int given = std::max(0, ownArrow.width() - narrowestArrowButton);
    // The edit field takes what the arrow button gives, on the arrow's side.
    const bool arrowOnRight = option->direction != Qt::RightToLeft;
    if (subControl == SC_ComboBoxArrow)
        return arrowOnRight ? rect.adjusted(given, 0, 0, 0) : rect.adjusted(0, 0, -given, 0);
    return arrowOnRight ? rect.adjusted(0, 0, given, 0) : rect.adjusted(-given, 0, 0, 0);
}

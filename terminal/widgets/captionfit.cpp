#include "widgets/captionfit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>

namespace captionfit {

QFont fittedFont(QFont font, const QStringList &samples, QSize room)
{
    // Below these a caption is no longer legible; the smallest is used then.
    constexpr int smallestPixelSize = 7;
    constexpr int narrowestStretch = QFont::UltraCondensed;

    // The size Qt lays the samples out in, one line high at least.
    const auto needed = [&samples](const QFont &candidate) {
        const QFontMetrics metrics(candidate);
        QSize size(0, metrics.height());
        for (const QString &sample : samples)
            size = size.expandedTo(metrics.size(Qt::TextShowMnemonic, sample));
        return size;
    };
    const QSize full = needed(font);
    if (full.width() <= room.width() && full.height() <= room.height())
        return font;

    font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() & ~QFont::NoAntialias));
    for (int pixels = QFontInfo(font).pixelSize(); pixels >= smallestPixelSize; --pixels) {
        font.setPixelSize(pixels);
        if (needed(font).height() <= room.height())
            break;
    }
    for (int stretch = QFont::Unstretched; stretch >= narrowestStretch; --stretch) {
        font.setStretch(stretch);
        if (needed(font).width() <= room.width())
            break;
    }
    return font;
}

QSize roomBeside(const QRect &placed, const QList<QRect> &neighbours, const QRect &bounds, int gap)
{
    int right = bounds.right() + 1;
    for (const QRect &other : neighbours) {
        const bool besideIt = other.left() > placed.left() && other.top() <= placed.bottom() &&
                              other.bottom() >= placed.top();
        if (besideIt)
            right = std::min(right, other.left() - gap);
    }
    const int width = std::max(placed.width(), right - placed.left());

    int bottom = bounds.bottom() + 1;
    for (const QRect &other : neighbours) {
        const bool belowIt = other.top() > placed.top() && other.left() < placed.left() + width &&
                             other.right() >= placed.left();
        if (belowIt)
            bottom = std::min(bottom, other.top() - gap);
    }
    return QSize(width, std::max(placed.height(), bottom - placed.top()));
}

QSize captionRoom(const QWidget *control)
{
    const QStyle *style = control->style();
    if (const auto *edit = qobject_cast<const QLineEdit *>(control)) {
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.lineWidth =
            edit->hasFrame() ? style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
        const QRect contents = style->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                                   .marginsRemoved(edit->textMargins());
        return QSize(lineEditTextWidth(contents.width()), contents.height());
    }
    QStyleOptionButton option;
    option.initFrom(control);
    const bool checkBox = qobject_cast<const QCheckBox *>(control);
    return style
        ->subElementRect(checkBox ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents,
                         &option, control)
        .size();
}

void fitCaption(QWidget *control, const QFont &font)
{
    const auto *edit = qobject_cast<const QLineEdit *>(control);
    const auto *button = qobject_cast<const QAbstractButton *>(control);
    const QString caption = edit ? edit->text() : button ? button->text() : QString();
    control->setFont(fittedFont(font, {caption}, captionRoom(control)));
}

} // namespace captionfit

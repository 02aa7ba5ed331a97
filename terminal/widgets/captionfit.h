#pragma once

#include <QFont>
#include <QList>
#include <QRect>
#include <QStringList>

class QWidget;

// Captions that show whole in the places the window's twips give them.
namespace captionfit {

// The font nearest to `font` in which every one of `samples` shows whole
// inside `room`: the largest pixel size whose lines fit the room's height,
// then condensed as far as the widest sample needs ("&" marks an access key
// and takes no room). A font that had to change is drawn smoothed: bitmaps
// exist only for the face's own sizes and widths.
QFont fittedFont(QFont font, const QStringList &samples, QSize room);

// How far a caption placed at `placed` may grow: to the right up to the
// nearest of `neighbours` beside it, down to the nearest below it, `gap`
// pixels short of either, and within `bounds`. Never less than placed.
QSize roomBeside(const QRect &placed, const QList<QRect> &neighbours, const QRect &bounds, int gap);

// The width a line edit `editWidth` pixels wide leaves its text: it keeps 2
// pixels on either side of the text, and the caret takes 1 after it.
constexpr int lineEditTextWidth(int editWidth)
{
    return editWidth - 5;
}

// The room a button, check box or line edit leaves its caption, as the
// style has it: inside the button's frame, beside the tick box, inside the
// line edit's frame and margins.
QSize captionRoom(const QWidget *control);

// Draws the caption of a button, check box or line edit in `font`, or in
// the font fitted to its room where `font` is too large for it.
void fitCaption(QWidget *control, const QFont &font);

} // namespace captionfit

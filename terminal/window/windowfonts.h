#pragma once

#include <QFont>

// The fonts of the window. Its geometry was laid out, in twips, around a
// 9-point Song face: a 12-pixel cell, Latin letters and digits half as wide,
// lines 12 pixels tall. SimSun on Windows and AR PL UMing on Linux are such
// faces; AR PL UMing also carries bitmaps drawn by hand for 11 to 16 pixels.
namespace windowfonts {

// The Song face at `points`, sized in pixels as the twips are (a point is
// 20 twips, 15 twips a pixel) whatever resolution the screen reports, so
// that text keeps its proportion to the controls. At a device pixel ratio of
// 1 the face's own bitmaps are drawn, which only unsmoothed text uses.
QFont songFont(qreal points, qreal devicePixelRatio);

// The font of every control but the two labels that name their own: the
// Song face at 9 points.
QFont windowFont(qreal devicePixelRatio);

} // namespace windowfonts

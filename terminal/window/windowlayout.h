#pragma once

#include <QSize>

// The arithmetic of the window's layout, free of widgets: which place each
// control that follows the window's size takes, in twips.
namespace windowlayout {

// The frame around the client area: 60 left, right and bottom, 450 on top.
constexpr int frameWidth = 120;
constexpr int frameHeight = 510;

// The smallest outer size the window may take (also its size at start).
constexpr int minimumOuterWidth = 7590;
constexpr int minimumOuterHeight = 6240;

// The split bar's lowest Value: the receive box is then 240 high.
constexpr int barMinimum = 270;

// The client area, in logical pixels, that the smallest outer size leaves.
QSize minimumClientPixels();

// The outer size in twips of a window whose client area is clientPixels.
QSize outerTwips(QSize clientPixels);

// The controls that follow the window's size or the split bar, in twips.
// The send box's height is an input only: the layout never changes it
// except where the window becomes too short for it (see placeForSize).
struct Placement
{
    int statusFrameTop = 0; // StaFra
    int sendFrameTop = 0;   // SFra
    int ontopTop = 0;       // OntopChk
    int sendButtonTop = 0;  // SCmd
    int sendButtonLeft = 0; // SCmd
    int linkTop = 0;        // dravikZZlab
    int correctionLeft = 0; // GZFra
    int correctionTop = 0;  // GZFra
    int barWidth = 0;       // TXTSol
    int barHeight = 0;      // TXTSol
    int barMaximum = 0;     // TXTSol
    int barValue = 0;       // TXTSol: the boundary between the two boxes
    int receiveWidth = 0;   // RTxt
    int receiveHeight = 0;  // RTxt
    int sendTop = 0;        // STxt
    int sendWidth = 0;      // STxt
    int sendHeight = 0;     // STxt

    bool operator==(const Placement &) const = default;
};

// Lays the controls out for an outer size of outerWidth by outerHeight twips
// (the window's size clamps come first and are the window's own business).
// Each step is independent; a step whose result the controls would refuse
// (a negative size, a Value outside the bar's range) keeps what current has.
// The send box keeps its height and the receive box takes up every change of
// height, except that a window too short for the send box's height stops the
// boundary at the bar's minimum and shrinks the send box to the room left.
Placement placeForSize(const Placement &current, int outerWidth, int outerHeight);

// Places the two boxes on both sides of the bar's Value, the way a drag of
// the split bar does; everything else keeps what current has.
Placement placeForBoundary(const Placement &current);

} // namespace windowlayout

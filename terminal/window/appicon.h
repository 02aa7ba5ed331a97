#pragma once

#include <QIcon>
#include <QImage>

// The terminal's icon, drawn in code: two computer screens joined by a
// cable, with transparency. It is drawn afresh at each size (edges on whole
// pixels), so that small sizes stay sharp rather than blur as a scaled copy.
QImage drawAppIconImage(int size = 48);
// The window's icon: the 48 by 48 drawing.
QIcon appIcon();

#pragma once

#include <QIcon>
#include <QImage>

// The terminal's icon, drawn in code: two computer screens joined by a
// cable, 48 by 48 with transparency.
QImage drawAppIconImage();
QIcon appIcon();

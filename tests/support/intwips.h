#pragma once

#include <QRect>
#include <QWidget>

// A control's place in its container in twips, 15 to a logical pixel, the
// unit the window's layout is written in.
inline QRect inTwips(const QWidget *widget)
{
    const QRect r = widget->geometry();
    return QRect(r.x() * 15, r.y() * 15, r.width() * 15, r.height() * 15);
}

#include "windowstacking.h"

#include <QWidget>

namespace windowstacking {

void setTopmost(QWidget *window, bool topmost)
{
    if (!window)
        return;
    const bool wasVisible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    if (wasVisible)
        window->show();
}

bool isTopmost(const QWidget *window)
{
    return window && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

} // namespace windowstacking

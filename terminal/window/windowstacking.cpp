#include "window/windowstacking.h"

#include "window/nativestacking.h"

#include <QWidget>
#include <QWindow>

namespace windowstacking {

void setTopmost(QWidget *window, bool topmost)
{
    if (!window)
        return;
    QWidget *topLevel = window->window();
    Qt::WindowFlags flags = topLevel->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, topmost);

    QWindow *handle = topLevel->windowHandle();
    if (!handle) {
        // Not created yet: the window takes the hint along when it appears.
        topLevel->setWindowFlags(flags);
        return;
    }
    // Once the window exists, QWidget::setWindowFlags would re-create it
    // (hiding and re-showing it); record the choice without telling Qt's
    // window system layer and change the stacking class alone.
    topLevel->overrideWindowFlags(flags);
    if (topLevel->isVisible() && nativestacking::setTopmost(topLevel, topmost))
        return;
    handle->setFlags(flags);
}

} // namespace windowstacking

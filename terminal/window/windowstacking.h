#pragma once

class QWidget;

// Puts a top-level window into or out of the topmost stacking class without
// moving or resizing it.
namespace windowstacking {

void setTopmost(QWidget *window, bool topmost);
bool isTopmost(const QWidget *window);

} // namespace windowstacking

#include "splitbar.h"

SplitBar::SplitBar(QWidget *parent) : QScrollBar(Qt::Vertical, parent)
{
    setCursor(Qt::SizeVerCursor);
    setFocusPolicy(Qt::ClickFocus);
}

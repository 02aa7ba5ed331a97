#pragma once

#include <functional>

class QMenu;
class QWidget;
class TextBox;

// The edit menu of the window's text boxes, in the window's language:
// 撤消(&U), 重做(&R), 剪切(&T), 复制(&C), 粘贴(&P), 删除(&D), 全选(&A), in the
// order of Qt's own text fields, each enabled only when it can act on the box
// as it is when the menu opens.
namespace editmenu {

struct Command
{
    bool enabled = false;
    std::function<void()> run;
};

struct Commands
{
    Command undo;
    Command redo;
    Command cut;
    Command copy;
    Command paste;
    Command remove;
    Command selectAll;
};

// Undo and redo act while the box has an edit to take back or to do again
// (the receive box keeps no history: never).
Commands commandsOf(TextBox *box);

// The menu for these commands; the caller owns it.
QMenu *create(const Commands &commands, QWidget *parent);

// A right click or the menu key in the box opens its edit menu.
void install(TextBox *box);

} // namespace editmenu

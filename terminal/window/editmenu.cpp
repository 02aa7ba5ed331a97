#include "window/editmenu.h"

#include "textbox/textbox.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

namespace editmenu {

namespace {

bool clipboardHasText()
{
    return !QGuiApplication::clipboard()->text().isEmpty();
}

// Select All acts while some of a non-empty text is left unselected.
bool canSelectAll(qint64 length, qint64 selected)
{
    return length > 0 && selected < length;
}

void addCommand(QMenu *menu, const QString &caption, const Command &command)
{
    QAction *action = menu->addAction(caption);
    action->setEnabled(command.enabled && command.run);
    if (command.run)
        QObject::connect(action, &QAction::triggered, menu, command.run);
}

} // namespace

Commands commandsOf(TextBox *box)
{
    const bool selected = box->selLength() > 0;
    Commands commands;
    commands.undo = {box->isUndoAvailable(), [box] { box->undo(); }};
    commands.redo = {box->isRedoAvailable(), [box] { box->redo(); }};
    commands.cut = {selected, [box] { box->cut(); }};
    commands.copy = {selected, [box] { box->copy(); }};
    commands.paste = {clipboardHasText(), [box] { box->paste(); }};
    commands.remove = {selected, [box] { box->deleteSelection(); }};
    commands.selectAll = {canSelectAll(box->length(), box->selLength()),
                          [box] { box->selectAll(); }};
    return commands;
}

QMenu *create(const Commands &commands, QWidget *parent)
{
    auto *menu = new QMenu(parent);
    // The menu is a window of its own: let it take the box's font.
    menu->setAttribute(Qt::WA_WindowPropagation);
    addCommand(menu, QStringLiteral("撤消(&U)"), commands.undo);
    addCommand(menu, QStringLiteral("重做(&R)"), commands.redo);
    menu->addSeparator();
    addCommand(menu, QStringLiteral("剪切(&T)"), commands.cut);
    addCommand(menu, QStringLiteral("复制(&C)"), commands.copy);
    addCommand(menu, QStringLiteral("粘贴(&P)"), commands.paste);
    addCommand(menu, QStringLiteral("删除(&D)"), commands.remove);
    menu->addSeparator();
    addCommand(menu, QStringLiteral("全选(&A)"), commands.selectAll);
    return menu;
}

void install(TextBox *box)
{
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(box, &QWidget::customContextMenuRequested, box, [box](const QPoint &at) {
        QMenu *menu = create(commandsOf(box), box);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        // The position comes in the viewport's coordinates.
        menu->popup(box->viewport()->mapToGlobal(at));
    });
}

} // namespace editmenu

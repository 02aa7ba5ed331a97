#include "window/editmenu.h"

#include "receive/receiveview.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextDocument>

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

template <typename Box> void showMenuOn(Box *box)
{
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(box, &QWidget::customContextMenuRequested, box, [box](const QPoint &at) {
        QMenu *menu = create(commandsOf(box), box);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        // The position comes in the viewport's coordinates.
        menu->popup(box->viewport()->mapToGlobal(at));
    });
}

} // namespace

Commands commandsOf(QPlainTextEdit *box)
{
    const bool editable = !box->isReadOnly();
    const QTextCursor cursor = box->textCursor();
    const bool selected = cursor.hasSelection();
    // The document counts the paragraph separator after the last block too.
    const qint64 length = box->document()->characterCount() - 1;
    Commands commands;
    commands.undo = {editable && box->document()->isUndoAvailable(), [box] { box->undo(); }};
    commands.cut = {editable && selected, [box] { box->cut(); }};
    commands.copy = {selected, [box] { box->copy(); }};
    commands.paste = {editable && box->canPaste(), [box] { box->paste(); }};
    commands.remove = {editable && selected, [box] { box->textCursor().removeSelectedText(); }};
    commands.selectAll = {canSelectAll(length, cursor.selectionEnd() - cursor.selectionStart()),
                          [box] { box->selectAll(); }};
    return commands;
}

Commands commandsOf(ReceiveView *box)
{
    const bool selected = box->selLength() > 0;
    Commands commands;
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
    menu->addSeparator();
    addCommand(menu, QStringLiteral("剪切(&T)"), commands.cut);
    addCommand(menu, QStringLiteral("复制(&C)"), commands.copy);
    addCommand(menu, QStringLiteral("粘贴(&P)"), commands.paste);
    addCommand(menu, QStringLiteral("删除(&D)"), commands.remove);
    menu->addSeparator();
    addCommand(menu, QStringLiteral("全选(&A)"), commands.selectAll);
    return menu;
}

void install(QPlainTextEdit *box)
{
    showMenuOn(box);
}

void install(ReceiveView *box)
{
    showMenuOn(box);
}

} // namespace editmenu

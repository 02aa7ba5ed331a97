#include "receiveview.h"

#include <QScrollBar>
#include <QTextCursor>

ReceiveView::ReceiveView(QWidget *parent) : QPlainTextEdit(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(true);
}

void ReceiveView::appendText(QStringView piece)
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(piece.toString());
}

QString ReceiveView::text() const
{
    return toPlainText();
}

qsizetype ReceiveView::length() const
{
    return toPlainText().size();
}

void ReceiveView::clearText()
{
    clear();
}

void ReceiveView::moveCaretToEnd()
{
    moveCursor(QTextCursor::End);
    ensureCursorVisible();
}

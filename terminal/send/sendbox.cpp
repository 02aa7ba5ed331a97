#include "send/sendbox.h"

#include <QKeyEvent>
#include <QTextBlock>

SendBox::SendBox(QWidget *parent) : QPlainTextEdit(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(true);
}

// Each line break typed or pasted into the box ends a block of the document,
// so the blocks are the lines and their texts are what was typed.
QString SendBox::text() const
{
    QString text;
    for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next()) {
        if (block != document()->firstBlock())
            text += QLatin1String("\r\n");
        text += block.text();
    }
    return text;
}

void SendBox::setText(const QString &text)
{
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    setPlainText(plain);
}

// Shift+Enter would insert a line separator (U+2028), which is no line break
// on the line; in this box it breaks the line as Enter does.
void SendBox::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::InsertLineSeparator)) {
        QKeyEvent enter(event->type(), Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"),
                        event->isAutoRepeat(), ushort(event->count()));
        QPlainTextEdit::keyPressEvent(&enter);
        event->setAccepted(enter.isAccepted());
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

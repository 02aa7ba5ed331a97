#include "widgets/accesskeybutton.h"

#include <QShortcutEvent>

AccessKeyButton::AccessKeyButton(const QString &text, QWidget *parent) : QPushButton(text, parent)
{}

bool AccessKeyButton::event(QEvent *event)
{
    // A key that another control shares only moves the focus, as in
    // QPushButton.
    if (event->type() != QEvent::Shortcut || static_cast<QShortcutEvent *>(event)->isAmbiguous())
        return QPushButton::event(event);
    click();
    return true;
}

#include "window/accesskeybutton.h"

#include <QPointer>
#include <QShortcutEvent>
#include <QTimerEvent>

namespace {

// As long as Qt's own animated click shows the button down (milliseconds).
constexpr int pressedLookTime = 100;

} // namespace

AccessKeyButton::AccessKeyButton(const QString &text, QWidget *parent) : QPushButton(text, parent)
{}

bool AccessKeyButton::event(QEvent *event)
{
    if (event->type() != QEvent::Shortcut)
        return QPushButton::event(event);
    // A key that another control shares only moves the focus, as in
    // QPushButton.
    if (static_cast<QShortcutEvent *>(event)->isAmbiguous())
        return QPushButton::event(event);
    // Pressed again while it still looks pressed: that is a click of its own
    // (QPushButton would drop it), so quick repeats all reach the line.
    const QPointer<AccessKeyButton> self(this);
    click();
    // The click may have disabled, hidden or even deleted the button.
    if (self && isEnabled() && isVisible()) {
        setDown(true);
        m_pressedLook.start(pressedLookTime, this);
    }
    return true;
}

// A press with the mouse or the space bar during the pressed look takes the
// button over: the look must not release it under the user's hand.
void AccessKeyButton::mousePressEvent(QMouseEvent *event)
{
    m_pressedLook.stop();
    QPushButton::mousePressEvent(event);
}

void AccessKeyButton::keyPressEvent(QKeyEvent *event)
{
    m_pressedLook.stop();
    QPushButton::keyPressEvent(event);
}

void AccessKeyButton::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_pressedLook.timerId()) {
        QPushButton::timerEvent(event);
        return;
    }
    m_pressedLook.stop();
    setDown(false);
}

#pragma once

#include <QBasicTimer>
#include <QPushButton>

// A push button whose access key (the letter after "&" in its caption)
// clicks it at once. A plain QPushButton answers its access key with
// animateClick(), which emits clicked only after a 100 ms pressed look; here
// clicked comes before the key event returns, and the pressed look follows
// the click for a moment without anything waiting for it.
class AccessKeyButton : public QPushButton
{
    Q_OBJECT

public:
    explicit AccessKeyButton(const QString &text, QWidget *parent = nullptr);

protected:
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    QBasicTimer m_pressedLook;
};

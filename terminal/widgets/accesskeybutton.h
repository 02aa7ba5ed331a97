#pragma once

#include <QPushButton>

// A push button whose access key (the letter after "&" in its caption)
// clicks it at once and nothing more. A plain QPushButton answers its access
// key with animateClick(): clicked comes only after a 100 ms pressed look, a
// second press within it is dropped, and the look costs two repaints of the
// button a key. Here each press is a click when the key event returns; what
// the click does (a count, the button's own caption) shows that it happened.
class AccessKeyButton : public QPushButton
{
    Q_OBJECT

public:
    explicit AccessKeyButton(const QString &text, QWidget *parent = nullptr);

protected:
    bool event(QEvent *event) override;
};

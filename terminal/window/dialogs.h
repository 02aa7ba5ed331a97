#pragma once

#include <QString>

class QWidget;

// The window's modal boxes and its beep, behind one seam so that tests can
// watch them without a user to press OK.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // A box with the warning icon and one OK button.
    virtual void warning(QWidget *parent, const QString &caption, const QString &text);
    // A box with the critical (stop) icon and one OK button.
    virtual void critical(QWidget *parent, const QString &caption, const QString &text);
    // The platform's default beep.
    virtual void beep();
};

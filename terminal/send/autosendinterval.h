#pragma once

#include <QString>
#include <QStringView>

// What the auto-send interval box accepts: nothing but the digits 0 to 9.
// An empty text is accepted too (the user is about to type a number).
bool isIntervalText(QStringView text);

// The auto-send period, in milliseconds, that the interval box's text asks
// for. Throws NumberedError, with a message for the user, for a text that
// cannot start auto-send: an empty text or one that is not a number, 0, or a
// period longer than the auto-send timer takes.
int autoSendInterval(const QString &text);

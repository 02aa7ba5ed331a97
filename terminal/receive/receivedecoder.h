#pragma once

#include <QByteArrayView>
#include <QString>

// What received bytes show in the receive box.
namespace receivedisplay {

// Appends to piece what bytes show, one byte after the other.
//
// Hex display: every byte as two upper-case hex digits and a blank, "00 " to
// "FF "; never a line break.
//
// Text display: GBK. A byte from 129 to 254 is held in pendingLeadByte when
// nothing is held and shows nothing yet; when a byte is held it completes the
// double-byte character (held byte first) and nothing is held any more. Any
// other byte (0 to 128, 255) shows as its own character and leaves a held
// byte held. Control characters (CR, LF, NUL, ...) are appended as they are.
//
// pendingLeadByte is 0 or the held byte; it belongs to the caller, carries
// from one call to the next and is left alone in hex display.
void appendReceived(QString &piece, QByteArrayView bytes, bool hexDisplay, qint32 &pendingLeadByte);

} // namespace receivedisplay

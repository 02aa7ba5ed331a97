#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Received bytes as GBK text, with a double-byte character put together across
// receive events, and the correction that drops a lead byte which found no
// partner: the held byte, the logo timer's ticks since the event that left it
// held, and whether the correction button is offered.
//
// A byte from 129 to 254 is held when nothing is held and shows nothing yet;
// when a byte is held it completes the double-byte character (held byte
// first) and nothing is held any more. Any other byte (0 to 128, 255) shows as
// its own character and leaves a held byte held. Control characters (CR, LF,
// NUL, ...) come out as they are.
//
// A held byte is dropped by the correction button, by ticking auto-correct
// while the button is offered, or, with auto-correct ticked, at the second
// tick of the logo timer after the receive event that left it held.
class ReceiveDecoder
{
public:
    // A receive event begins: a running countdown stops and the correction is
    // no longer offered, whatever the event brings.
    void beginEvent();
    // The characters that bytes complete, in text display. The view is valid
    // until the next call (its room is reused from one event to the next).
    QStringView decode(QByteArrayView bytes);
    // The event has shown and counted its bytes. With a byte still held the
    // countdown starts afresh; without auto-correct the correction is offered.
    void endEvent(bool autoCorrect);

    // A tick of the logo timer.
    void tick(bool autoCorrect);
    // The correction button.
    void correct();
    // Auto-correct ticked or unticked: ticked while the correction is offered,
    // it corrects at once; otherwise nothing changes now.
    void autoCorrectChanged(bool autoCorrect);

    // 0, or the byte from 129 to 254 that waits for its partner.
    int pendingLeadByte() const { return PendingLeadByte; }
    bool correctionOffered() const { return m_correctionOffered; }

private:
    // 0, or the held lead byte.
    qint32 PendingLeadByte = 0;
    // Ticks since the receive event that left a byte held. It runs from 3 to
    // 100 while idle and never wraps to 2 (the tick that corrects) by itself;
    // from 0 at the window's start, so its first two ticks pass 1 and 2
    // harmlessly.
    quint8 HoldTicks = 0;
    bool m_correctionOffered = false;
    QString m_decoded;
};

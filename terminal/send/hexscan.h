#pragma once

#include <QStringView>

#include <functional>

// Reading the send box as hexadecimal bytes.
//
// Spaces (code 32 only) separate; every other character must be a digit 0-9,
// A-F or a-f. Digits pair up from the start of every run of digits, and a run
// of odd length ends with a one-digit byte. The scan ends at the first
// character that is neither a space nor a digit, or at a digit followed by
// such a character; everything read before it has already been reported.
// No prefix is understood: "0x12" yields nothing.

struct HexScanEnd
{
    // Where the scan stopped: the index of the character that ended it, or
    // the text's length when the whole text was read.
    qsizetype position = 0;
    // True when the whole text was read.
    bool complete = true;
};

// Reports each byte through emitByte as soon as it has been read, in order.
// An exception thrown by emitByte ends the scan and passes through.
HexScanEnd scanHexBytes(QStringView text, const std::function<void(quint8)> &emitByte);

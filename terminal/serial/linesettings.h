#pragma once

#include "serial/mscommexport.h"

#include <QString>

// The line settings of a serial port as the terminal writes them:
// "baud,parity,data,stop", for instance "4800,N,8,1".
struct MSCOMM_EXPORT LineSettings
{
    enum class Parity { None, Odd, Even };
    enum class StopBits { One, OneAndHalf, Two };

    qint32 baudRate = 9600;
    Parity parity = Parity::None;
    int dataBits = 8; // 5 to 8
    StopBits stopBits = StopBits::One;

    // Reads a settings string. Throws CommError (InvalidPropertyValue) for a
    // malformed string, a parity letter other than N, O or E, a data-bit count
    // other than 5 to 8, a stop-bit count other than 1, 1.5 or 2, or a baud
    // rate that is not a positive whole number.
    static LineSettings parse(const QString &text);

    // The canonical string form, "4800,N,8,1".
    QString toString() const;

    friend bool operator==(const LineSettings &, const LineSettings &) = default;
};

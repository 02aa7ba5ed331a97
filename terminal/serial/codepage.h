#pragma once

#include <QByteArray>
#include <QStringView>

// Text as the line carries it: GBK (code page 936), one
// byte for ASCII and the other single-byte codes, two for a double-byte
// character. A character outside GBK goes out as the code page's substitute
// "?" (one byte); a surrogate pair is one character and so one "?", and so is
// a surrogate without its partner. Every character thus owns whole bytes of
// the result, and the byte count of a text is the size of its bytes.
//
// Throws NumberedError when the system offers no GBK conversion.
QByteArray toCodePageBytes(QStringView text);

#pragma once

#include <QtGlobal>

// Characters of the GBK code page (936), as the platform's code-page
// conversion gives them. The conversion runs once per code, when the tables
// are first needed; afterwards every byte is a table lookup.
namespace gbk {

// Bytes from 129 to 254 are held as lead bytes and complete a held one.
constexpr bool isPairingByte(quint8 byte)
{
    return byte >= 129 && byte <= 254;
}

// The character a byte stands for on its own: 0 to 127 are ASCII, 128 and
// 255 are what the code page maps them to.
char16_t singleByteChar(quint8 byte);

// The character of the double-byte code lead × 256 + trail; both bytes are
// pairing bytes. A code the code page leaves undefined gives whatever the
// conversion makes of it (U+FFFD when that is not one character).
char16_t pairChar(quint8 lead, quint8 trail);

} // namespace gbk

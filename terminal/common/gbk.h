#pragma once

#include <QByteArray>
#include <QStringView>
#include <QtGlobal>

// Text as the line carries it: the GBK code page (936), one byte for ASCII
// and the other single-byte codes, two for a double-byte character. The
// serial control encodes the send box's text; the receive box decodes what
// arrives, one byte or one pair at a time.
namespace gbk {

// Bytes from 129 to 254 are held as lead bytes and complete a held one.
constexpr bool isPairingByte(quint8 byte)
{
    return byte >= 129 && byte <= 254;
}

// The character a byte stands for on its own: 0 to 127 are ASCII, 128 and
// 255 are what the code page maps them to.
char16_t decodeByte(quint8 byte);

// The character of the double-byte code lead × 256 + trail; both bytes are
// pairing bytes. A code the code page leaves undefined gives whatever the
// conversion makes of it (U+FFFD when that is not one character).
//
// Decoding asks the platform's conversion once per code, when a table is
// first needed; afterwards every byte is a table lookup.
char16_t decodePair(quint8 lead, quint8 trail);

// The bytes of a text. A character outside GBK goes out as the code page's
// substitute "?" (one byte); a surrogate pair is one character and so one
// "?", and so is a surrogate without its partner. Every character thus owns
// whole bytes of the result, and the byte count of a text is the size of its
// bytes.
//
// Throws NumberedError when the system offers no GBK conversion.
QByteArray encode(QStringView text);

} // namespace gbk

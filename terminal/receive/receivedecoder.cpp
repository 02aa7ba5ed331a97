#include "receive/receivedecoder.h"

#include "common/gbk.h"

namespace receivedisplay {
namespace {

constexpr char16_t hexDigits[] = u"0123456789ABCDEF";

char16_t *appendHex(char16_t *out, QByteArrayView bytes)
{
    for (const char raw : bytes) {
        const auto byte = quint8(raw);
        *out++ = hexDigits[byte >> 4];
        *out++ = hexDigits[byte & 0x0F];
        *out++ = u' ';
    }
    return out;
}

char16_t *appendText(char16_t *out, QByteArrayView bytes, qint32 &pendingLeadByte)
{
    for (const char raw : bytes) {
        const auto byte = quint8(raw);
        if (byte < 0x80) {
            *out++ = char16_t(byte); // ASCII, the common case, without a call
        } else if (!gbk::isPairingByte(byte)) {
            *out++ = gbk::decodeByte(byte);
        } else if (pendingLeadByte >= 129 && pendingLeadByte <= 254) {
            *out++ = gbk::decodePair(quint8(pendingLeadByte), byte);
            pendingLeadByte = 0;
        } else {
            pendingLeadByte = byte;
        }
    }
    return out;
}

} // namespace

void appendReceived(QString &piece, QByteArrayView bytes, bool hexDisplay, qint32 &pendingLeadByte)
{
    const qsizetype before = piece.size();
    piece.resize(before + bytes.size() * (hexDisplay ? 3 : 1));
    auto *const start = reinterpret_cast<char16_t *>(piece.data());
    char16_t *const end = hexDisplay ? appendHex(start + before, bytes)
                                     : appendText(start + before, bytes, pendingLeadByte);
    piece.truncate(end - start);
}

} // namespace receivedisplay

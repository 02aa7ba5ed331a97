#include "receive/receivedecoder.h"

#include "common/gbk.h"

namespace {

// Ticks of the logo timer.
constexpr quint8 ticksAtReceive = 3;    // a receive event cancels the countdown
constexpr quint8 ticksWhenHolding = 0;  // a receive event left a byte held
constexpr quint8 ticksToCorrection = 2; // the automatic correction drops it
constexpr quint8 lastIdleTick = 100;    // the idle count cycles from 3 to 100

} // namespace

void ReceiveDecoder::beginEvent()
{
    HoldTicks = ticksAtReceive;
    m_correctionOffered = false;
}

QStringView ReceiveDecoder::decode(QByteArrayView bytes)
{
    m_decoded.resize(bytes.size()); // the most it can take: one character a byte
    auto *const start = reinterpret_cast<char16_t *>(m_decoded.data());
    char16_t *out = start;
    for (const char raw : bytes) {
        const auto byte = quint8(raw);
        if (byte < 0x80) {
            *out++ = char16_t(byte); // ASCII, the common case, without a call
        } else if (!gbk::isPairingByte(byte)) {
            *out++ = gbk::decodeByte(byte);
        } else if (PendingLeadByte != 0) {
            *out++ = gbk::decodePair(quint8(PendingLeadByte), byte);
            PendingLeadByte = 0;
        } else {
            PendingLeadByte = byte;
        }
    }
    return QStringView(start, out - start);
}

void ReceiveDecoder::endEvent(bool autoCorrect)
{
    if (PendingLeadByte == 0)
        return;
    HoldTicks = ticksWhenHolding;
    m_correctionOffered = !autoCorrect;
}

void ReceiveDecoder::tick(bool autoCorrect)
{
    ++HoldTicks;
    if (HoldTicks == ticksToCorrection && autoCorrect)
        PendingLeadByte = 0;
    if (HoldTicks > lastIdleTick)
        HoldTicks = ticksAtReceive;
}

void ReceiveDecoder::correct()
{
    PendingLeadByte = 0;
    m_correctionOffered = false;
}

void ReceiveDecoder::autoCorrectChanged(bool autoCorrect)
{
    if (autoCorrect && m_correctionOffered)
        correct();
}

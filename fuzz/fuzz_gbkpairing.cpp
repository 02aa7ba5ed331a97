// The GBK pairing of received bytes: however a byte stream is split into
// receive events, it shows the same text and leaves the same byte held as
// when it arrives in one piece, and that text is what the pairing rule makes
// of it with the platform's code-page conversion.
#include "receive/receivedecoder.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

char16_t convertedChar(const QByteArray &bytes)
{
    QStringDecoder fromGbk("GBK");
    const QString text = fromGbk(bytes);
    return text.size() == 1 ? text[0].unicode() : char16_t(0xFFFD);
}

// The pairing rule written out plainly, one byte at a time.
QString referenceText(const QByteArray &bytes, qint32 &held)
{
    QString text;
    for (const char c : bytes) {
        const auto byte = quint8(c);
        if (byte >= 129 && byte <= 254) {
            if (held == 0) {
                held = byte;
            } else {
                QByteArray pair;
                pair.append(char(held)).append(char(byte));
                text += QChar(convertedChar(pair));
                held = 0;
            }
        } else {
            text += QChar(convertedChar(QByteArray(1, char(byte))));
        }
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte says how to split: chunk lengths cycle through 1..(n+1).
    const int longestChunk = data[0] % 16 + 1;
    const QByteArray stream(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    ReceiveDecoder inOnePiece;
    const QString whole = inOnePiece.decode(stream).toString();

    ReceiveDecoder inChunks;
    QString split;
    qsizetype offset = 0;
    for (int chunk = 1; offset < stream.size(); chunk = chunk % longestChunk + 1) {
        const qsizetype length = std::min<qsizetype>(chunk, stream.size() - offset);
        split += inChunks.decode(QByteArrayView(stream).sliced(offset, length));
        offset += length;
    }

    if (split != whole || inChunks.pendingLeadByte() != inOnePiece.pendingLeadByte())
        std::abort();
    qint32 referenceHeld = 0;
    if (whole != referenceText(stream, referenceHeld) ||
        referenceHeld != inOnePiece.pendingLeadByte())
        std::abort();
    return 0;
}

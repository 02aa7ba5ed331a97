#include "gbkcodepage.h"

#include <QByteArray>
#include <QStringDecoder>

#include <array>

namespace gbk {
namespace {

constexpr int pairingBytes = 254 - 129 + 1;
constexpr char16_t replacementChar = 0xFFFD;

struct Tables
{
    std::array<char16_t, 256> single{};
    std::array<char16_t, pairingBytes * pairingBytes> pairs{};
};

char16_t convertOne(QStringDecoder &decoder, const QByteArray &bytes)
{
    if (!decoder.isValid())
        return replacementChar;
    decoder.resetState();
    const QString text = decoder(bytes);
    return text.size() == 1 ? text.at(0).unicode() : replacementChar;
}

Tables buildTables()
{
    Tables tables;
    QStringDecoder decoder("GBK");
    for (int byte = 0; byte < 256; ++byte)
        tables.single[byte] =
            byte < 128 ? char16_t(byte) : convertOne(decoder, QByteArray(1, char(byte)));
    QByteArray pair(2, '\0');
    for (int lead = 129; lead <= 254; ++lead) {
        for (int trail = 129; trail <= 254; ++trail) {
            pair[0] = char(lead);
            pair[1] = char(trail);
            tables.pairs[(lead - 129) * pairingBytes + (trail - 129)] = convertOne(decoder, pair);
        }
    }
    return tables;
}

const Tables &tables()
{
    static const Tables built = buildTables();
    return built;
}

} // namespace

char16_t singleByteChar(quint8 byte)
{
    return byte < 128 ? char16_t(byte) : tables().single[byte];
}

char16_t pairChar(quint8 lead, quint8 trail)
{
    Q_ASSERT(isPairingByte(lead) && isPairingByte(trail));
    return tables().pairs[(lead - 129) * pairingBytes + (trail - 129)];
}

} // namespace gbk

#include "common/gbk.h"

#include "common/gbkconversion.h"
#include "common/numberederror.h"

#include <QString>

#include <algorithm>
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

char16_t convertOne(const QByteArray &bytes)
{
    const QString text = gbkconversion::decode(bytes);
    return text.size() == 1 ? text.at(0).unicode() : replacementChar;
}

Tables buildTables()
{
    Tables tables;
    const bool available = gbkconversion::available();
    for (int byte = 0; byte < 256; ++byte) {
        tables.single[byte] = byte < 128  ? char16_t(byte)
                              : available ? convertOne(QByteArray(1, char(byte)))
                                          : replacementChar;
    }
    QByteArray pair(2, '\0');
    for (int lead = 129; lead <= 254; ++lead) {
        for (int trail = 129; trail <= 254; ++trail) {
            pair[0] = char(lead);
            pair[1] = char(trail);
            tables.pairs[(lead - 129) * pairingBytes + (trail - 129)] =
                available ? convertOne(pair) : replacementChar;
        }
    }
    return tables;
}

const Tables &tables()
{
    static const Tables built = buildTables();
    return built;
}

constexpr QChar substitute = u'?';

// The text with every character outside the Basic Multilingual Plane (a
// surrogate pair) and every surrogate without its partner replaced by the
// substitute: GBK has none of them, and the systems' conversions disagree on
// how many substitutes they make of one (ICU drops a high surrogate at the
// end, Windows makes two of a pair).
QString withSurrogatesReplaced(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar character = text[i];
        if (character.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        result.append(character.isSurrogate() ? substitute : character);
    }
    return result;
}

} // namespace

char16_t decodeByte(quint8 byte)
{
    return byte < 128 ? char16_t(byte) : tables().single[byte];
}

char16_t decodePair(quint8 lead, quint8 trail)
{
    Q_ASSERT(isPairingByte(lead) && isPairingByte(trail));
    return tables().pairs[(lead - 129) * pairingBytes + (trail - 129)];
}

QByteArray encode(QStringView text)
{
    if (!gbkconversion::available())
        throw errors::noGbkConversion();
    const bool hasSurrogates = std::any_of(text.begin(), text.end(),
                                           [](QChar character) { return character.isSurrogate(); });
    if (hasSurrogates)
        return gbkconversion::encode(withSurrogatesReplaced(text));
    return gbkconversion::encode(text);
}

} // namespace gbk

#include "common/gbk.h"

#include "common/numberederror.h"

#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

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

constexpr QChar substitute = u'?';

// Whether the text holds a surrogate without its partner.
bool hasLoneSurrogate(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar character = text[i];
        if (character.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (character.isSurrogate())
            return true;
    }
    return false;
}

// The text with every lone surrogate replaced by the substitute. The
// converter would drop a high surrogate at the end instead.
QString withLoneSurrogatesReplaced(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar character = text[i];
        if (character.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            result.append(character);
            result.append(text[++i]);
        } else if (character.isSurrogate()) {
            result.append(substitute);
        } else {
            result.append(character);
        }
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
    QStringEncoder toGbk("GBK", QStringConverter::Flag::Stateless);
    if (!toGbk.isValid())
        throw errors::noGbkConversion();
    if (hasLoneSurrogate(text))
        return toGbk(withLoneSurrogatesReplaced(text));
    return toGbk(text);
}

} // namespace gbk

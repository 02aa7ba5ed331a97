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

// A code the conversion makes nothing or several characters of is U+FFFD.
char16_t convertOne(const QByteArray &bytes)
{
    const QString text = gbkconversion::decode(bytes);
    return text.size() == 1 ? text.at(0).unicode() : replacementChar;
}

Tables buildTables()
{
    Tables tables;
    const bool available = gbkconversion::available();
    // Of the single bytes above ASCII only 128 and 255 stand alone; the others
    // always wait for a partner, so their entries are never read.
    tables.single.fill(replacementChar);
    for (int byte = 0; byte < 128; ++byte)
        tables.single[byte] = char16_t(byte);
    tables.pairs.fill(replacementChar);
    if (!available)
        return tables;
    for (const int byte : {128, 255})
        tables.single[byte] = convertOne(QByteArray(1, char(byte)));
    QByteArray pair(2, '\0');
    for (int lead = 129; lead <= 254; ++lead) {
        for (int trail = 129; trail <= 254; ++trail) {
            pair[0] = char(lead);
            pair[1] = char(trail);
            tables.pairs[(lead - 129) * pairingBytes + (trail - 129)] = convertOne(pair);
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

// Characters GBK lacks that ICU drops where Windows, as for any other
// character GBK lacks, puts the substitute: the invisible formatting
// characters (soft hyphen, zero-width space and joiners, direction marks,
// variation selectors, the byte order mark...). Each goes out as "?" here too,
// on every system, so that what the send box holds is never lost unseen.
struct Range
{
    char16_t first;
    char16_t last;
};
constexpr Range droppedByIcu[] = {
    {0x00AD, 0x00AD}, {0x034F, 0x034F}, {0x061C, 0x061C}, {0x115F, 0x1160}, {0x17B4, 0x17B5},
    {0x180B, 0x180F}, {0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x206F}, {0x3164, 0x3164},
    {0xFE00, 0xFE0F}, {0xFEFF, 0xFEFF}, {0xFFA0, 0xFFA0}, {0xFFF0, 0xFFF8}};

bool needsSubstitute(QChar character)
{
    const char16_t code = character.unicode();
    if (code < droppedByIcu[0].first)
        return false;
    if (character.isSurrogate())
        return true;
    return std::any_of(std::begin(droppedByIcu), std::end(droppedByIcu),
                       [code](Range range) { return code >= range.first && code <= range.last; });
}

// The text with the substitute in place of every character outside the
// Basic Multilingual Plane (a surrogate pair: GBK has none), every surrogate
// without its partner and every character ICU would drop. The systems'
// conversions disagree on how many substitutes they make of a surrogate (ICU
// drops a high surrogate at the end, Windows makes two of a pair).
QString withSubstitutes(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar character = text[i];
        if (character.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        result.append(needsSubstitute(character) ? substitute : character);
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
    if (std::any_of(text.begin(), text.end(), needsSubstitute))
        return gbkconversion::encode(withSubstitutes(text));
    return gbkconversion::encode(text);
}

} // namespace gbk

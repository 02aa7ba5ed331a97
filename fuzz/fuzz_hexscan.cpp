// The hexadecimal scanner against a plain reference: it must stop exactly at
// the first character that is neither a digit nor a space, report only bytes
// that the text spells, in order, and never read outside the text.
#include "send/hexscan.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
}

int digitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u <= '9')
        return u - '0';
    return (u | 0x20) - 'a' + 10;
}

// Text from the fuzzer's bytes: mostly characters the scanner cares about.
QString textFrom(const uint8_t *data, size_t size)
{
    static const char16_t alphabet[] = u"0123456789abcdefABCDEF   xG,\t\u3000\uFF11\r\n";
    constexpr size_t alphabetSize = sizeof alphabet / sizeof alphabet[0] - 1;
    QString text;
    text.reserve(qsizetype(size));
    for (size_t i = 0; i < size; ++i)
        text.append(
            QChar(data[i] < 0xF0 ? alphabet[data[i] % alphabetSize] : char16_t(0x80 + data[i])));
    return text;
}

QByteArray referenceBytes(const QString &text, qsizetype stop)
{
    QByteArray bytes;
    qsizetype i = 0;
    while (i < stop) {
        if (text[i] == QLatin1Char(' ')) {
            ++i;
            continue;
        }
        if (i + 1 < stop && isHexDigit(text[i + 1])) {
            bytes.append(char(digitValue(text[i]) * 16 + digitValue(text[i + 1])));
        } else if (i + 1 < stop || stop == text.size()) {
            bytes.append(char(digitValue(text[i]))); // a digit before a space or at the end
        } // else: a digit right before the offending character is not sent
        i += 2;
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = textFrom(data, size);
    qsizetype firstBad = 0;
    while (firstBad < text.size() &&
           (text[firstBad] == QLatin1Char(' ') || isHexDigit(text[firstBad])))
        ++firstBad;

    QByteArray streamed;
    const HexScanEnd end = scanHexBytes(text, [&](quint8 byte) { streamed.append(char(byte)); });

    if (end.position != firstBad || end.complete != (firstBad == text.size()))
        std::abort();
    if (streamed.size() > (text.size() + 1) / 2)
        std::abort();
    if (streamed != referenceBytes(text, firstBad))
        std::abort();
    return 0;
}

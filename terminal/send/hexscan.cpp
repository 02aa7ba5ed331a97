#include "send/hexscan.h"

namespace {

// The value of a hexadecimal digit, or -1 for any other character.
int digitValue(QChar character)
{
    const char16_t code = character.unicode();
    if (code >= u'0' && code <= u'9')
        return code - u'0';
    if (code >= u'A' && code <= u'F')
        return code - u'A' + 10;
    if (code >= u'a' && code <= u'f')
        return code - u'a' + 10;
    return -1;
}

constexpr QChar separator = u' ';

} // namespace

HexScanEnd scanHexBytes(QStringView text, const std::function<void(quint8)> &emitByte)
{
    const qsizetype length = text.size();
    qsizetype i = 0;
    while (i < length) {
        if (text[i] == separator) {
            ++i;
            continue;
        }
        const int high = digitValue(text[i]);
        if (high < 0)
            return {i, false};

        int value = high;
        if (i + 1 < length) {
            const QChar next = text[i + 1];
            const int low = digitValue(next);
            if (low >= 0)
                value = high * 16 + low;
            else if (next != separator)
                return {i + 1, false};
        }
        emitByte(static_cast<quint8>(value));
        // The digit, space or nothing after it is used up with it.
        i += 2;
    }
    return {length, true};
}

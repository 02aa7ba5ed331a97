#include "send/hexscan.h"

#include "common/hexdigits.h"

namespace {

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
        const int high = hexdigits::valueOf(text[i].unicode());
        if (high < 0)
            return {i, false};

        int value = high;
        if (i + 1 < length) {
            const QChar next = text[i + 1];
            const int low = hexdigits::valueOf(next.unicode());
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

// Any text given as line settings is either refused with a numbered error or
// read into settings that print back to an equivalent text.
#include "serial/commerror.h"
#include "serial/linesettings.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    try {
        const LineSettings settings = LineSettings::parse(text);
        if (settings.baudRate <= 0)
            std::abort();
        if (!(LineSettings::parse(settings.toString()) == settings))
            std::abort();
    } catch (const CommError &error) {
        if (error.number() != CommError::InvalidPropertyValue)
            std::abort();
    }
    return 0;
}

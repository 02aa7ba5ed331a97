#include "common/gbkconversion.h"

#include <QStringDecoder>
#include <QStringEncoder>

// Qt's converters name ICU's "GBK" (ICU's windows-936).
namespace gbkconversion {

bool available()
{
    // The converters a process can open do not change while it runs.
    static const bool isAvailable = QStringEncoder("GBK").isValid();
    return isAvailable;
}

QString decode(QByteArrayView bytes)
{
    // Opening an ICU converter costs more than a conversion: one per thread,
    // brought back to its initial state each time.
    thread_local QStringDecoder decoder("GBK");
    decoder.resetState();
    return decoder(bytes);
}

QByteArray encode(QStringView text)
{
    // As for decoding: every send, periodic ones too, would open a converter.
    thread_local QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    encoder.resetState();
    return encoder(text);
}

} // namespace gbkconversion

#include "common/gbkconversion.h"

#include <QStringDecoder>
#include <QStringEncoder>

// Qt's converters name ICU's "GBK" (ICU's windows-936).
namespace gbkconversion {

bool available()
{
    return QStringEncoder("GBK").isValid();
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
    QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    return encoder(text);
}

} // namespace gbkconversion

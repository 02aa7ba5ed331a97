#include "common/gbkconversion.h"

#include <windows.h>

// The code page of Windows, 936.
namespace gbkconversion {

namespace {

constexpr UINT gbkCodePage = 936;

} // namespace

bool available()
{
    return IsValidCodePage(gbkCodePage) != 0;
}

QString decode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return QString();
    QString text(bytes.size(), Qt::Uninitialized);
    const int written =
        MultiByteToWideChar(gbkCodePage, 0, bytes.data(), int(bytes.size()),
                            reinterpret_cast<wchar_t *>(text.data()), int(text.size()));
    text.truncate(written);
    return text;
}

QByteArray encode(QStringView text)
{
    if (text.isEmpty())
        return QByteArray();
    // Without WC_NO_BEST_FIT_CHARS a character GBK lacks would go out as a
    // look-alike (an accented letter as the plain one), where the text should
    // show that it was not sent as it stood.
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    const int written = WideCharToMultiByte(
        gbkCodePage, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t *>(text.data()),
        int(text.size()), bytes.data(), int(bytes.size()), "?", nullptr);
    bytes.truncate(written);
    return bytes;
}

} // namespace gbkconversion

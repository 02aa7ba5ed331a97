#include "codepage.h"

#include "commerror.h"

#include <QString>
#include <QStringEncoder>

namespace {

constexpr int conversionUnavailable = 5;
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

QByteArray toCodePageBytes(QStringView text)
{
    QStringEncoder toGbk("GBK", QStringConverter::Flag::Stateless);
    if (!toGbk.isValid())
        throw NumberedError(conversionUnavailable,
                            QStringLiteral("本机没有 GBK 编码转换，无法发送文本"));
    if (hasLoneSurrogate(text))
        return toGbk(withLoneSurrogatesReplaced(text));
    return toGbk(text);
}

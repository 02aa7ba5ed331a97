#include "serial/linesettings.h"

#include "serial/commerror.h"

#include <QStringList>

#include <limits>

namespace {

[[noreturn]] void refuse(const QString &text, const QString &why)
{
    throw CommError(CommError::InvalidPropertyValue,
                    QStringLiteral("无效的端口设置“%1”：%2").arg(text, why));
}

} // namespace

LineSettings LineSettings::parse(const QString &text)
{
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4)
        refuse(text, QStringLiteral("应为“波特率,校验位,数据位,停止位”"));

    LineSettings settings;

    bool ok = false;
    const QString baudText = fields[0].trimmed();
    const qint64 baud = baudText.toLongLong(&ok);
    if (!ok || baud <= 0 || baud > std::numeric_limits<qint32>::max())
        refuse(text, QStringLiteral("波特率必须是正整数"));
    settings.baudRate = static_cast<qint32>(baud);

    const QString parity = fields[1].trimmed().toUpper();
    if (parity == QLatin1String("N"))
        settings.parity = LineSettings::Parity::None;
    else if (parity == QLatin1String("O"))
        settings.parity = LineSettings::Parity::Odd;
    else if (parity == QLatin1String("E"))
        settings.parity = LineSettings::Parity::Even;
    else
        refuse(text, QStringLiteral("校验位只能是 N、O 或 E"));

    const QString data = fields[2].trimmed();
    if (data.size() != 1 || data.at(0) < QLatin1Char('5') || data.at(0) > QLatin1Char('8'))
        refuse(text, QStringLiteral("数据位只能是 5 到 8"));
    settings.dataBits = data.at(0).unicode() - '0';

    const QString stop = fields[3].trimmed();
    if (stop == QLatin1String("1"))
        settings.stopBits = LineSettings::StopBits::One;
    else if (stop == QLatin1String("1.5"))
        settings.stopBits = LineSettings::StopBits::OneAndHalf;
    else if (stop == QLatin1String("2"))
        settings.stopBits = LineSettings::StopBits::Two;
    else
        refuse(text, QStringLiteral("停止位只能是 1、1.5 或 2"));

    return settings;
}

QString LineSettings::toString() const
{
    QChar parityLetter = QLatin1Char('N');
    if (parity == Parity::Odd)
        parityLetter = QLatin1Char('O');
    else if (parity == Parity::Even)
        parityLetter = QLatin1Char('E');

    QString stop = QStringLiteral("1");
    if (stopBits == StopBits::OneAndHalf)
        stop = QStringLiteral("1.5");
    else if (stopBits == StopBits::Two)
        stop = QStringLiteral("2");

    return QStringLiteral("%1,%2,%3,%4").arg(baudRate).arg(parityLetter).arg(dataBits).arg(stop);
}

#include "window/portsettings.h"

namespace portsettings {

const SettingChoices &ports()
{
    static const SettingChoices choices{{QStringLiteral("COM1"), QStringLiteral("COM2"),
                                         QStringLiteral("COM3"), QStringLiteral("COM4"),
                                         QStringLiteral("COM5"), QStringLiteral("COM6"),
                                         QStringLiteral("COM7"), QStringLiteral("COM8")},
                                        QStringLiteral("COM1"),
                                        0};
    return choices;
}

const SettingChoices &baudRates()
{
    static const SettingChoices choices{
        {QStringLiteral("300"), QStringLiteral("600"), QStringLiteral("1200"),
         QStringLiteral("2400"), QStringLiteral("4800"), QStringLiteral("9600"),
         QStringLiteral("19200"), QStringLiteral("38400"), QStringLiteral("43000"),
         QStringLiteral("56000"), QStringLiteral("57600"), QStringLiteral("115200")},
        QStringLiteral("4800"),
        4};
    return choices;
}

const SettingChoices &parities()
{
    static const SettingChoices choices{
        {QStringLiteral("NONE"), QStringLiteral("ODD"), QStringLiteral("EVEN")},
        QStringLiteral("NONE"),
        0};
    return choices;
}

const SettingChoices &dataBits()
{
    static const SettingChoices choices{
        {QStringLiteral("8"), QStringLiteral("7"), QStringLiteral("6"), QStringLiteral("5")},
        QStringLiteral("8"),
        0};
    return choices;
}

const SettingChoices &stopBits()
{
    static const SettingChoices choices{
        {QStringLiteral("1"), QStringLiteral("2")}, QStringLiteral("1"), 0};
    return choices;
}

QString settingsString(const QString &baud, const QString &parity, const QString &data,
                       const QString &stop)
{
    return baud + QLatin1Char(',') + parity.left(1) + QLatin1Char(',') + data + QLatin1Char(',') +
           stop;
}

} // namespace portsettings

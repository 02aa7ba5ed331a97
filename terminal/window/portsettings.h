#pragma once

#include <QString>
#include <QStringList>

// The items of the window's port setting boxes: the choices offered for each
// line setting, the text each box starts with and the item a box falls back
// to when nothing is chosen at open.
struct SettingChoices
{
    QStringList items;
    QString startText;
    int defaultIndex;
};

namespace portsettings {

const SettingChoices &ports();     // COM1 .. COM8
const SettingChoices &baudRates(); // 300 .. 115200
const SettingChoices &parities();  // NONE, ODD, EVEN
const SettingChoices &dataBits();  // 8, 7, 6, 5
const SettingChoices &stopBits();  // 1, 2

// The settings string for the serial control from the texts of the four
// boxes: baud, the first letter of the parity, data bits, stop bits.
QString settingsString(const QString &baud, const QString &parity, const QString &data,
                       const QString &stop);

} // namespace portsettings

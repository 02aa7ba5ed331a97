#pragma once

#include <QColor>
#include <QPalette>
#include <QtGlobal>

// Control colours as 32-bit values: red in the low byte, then green, then
// blue; a value with the top bit set names a system colour by its low byte.
namespace controlcolor {

constexpr quint32 black = 0x000000;
constexpr quint32 red = 0x0000FF;
constexpr quint32 green = 0x00FF00;
constexpr quint32 buttonText = 0x80000012; // the system's button-text colour

// The colour a value stands for in a palette. The button-text colour is the
// only system colour the window uses; any other shows as the window text.
inline QColor toQColor(quint32 value, const QPalette &palette)
{
    if (value & 0x80000000u)
        return palette.color(value == buttonText ? QPalette::ButtonText : QPalette::WindowText);
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

} // namespace controlcolor

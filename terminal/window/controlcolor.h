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

constexpr quint32 rgb(int r, int g, int b)
{
    return quint32(r & 0xFF) | (quint32(g & 0xFF) << 8) | (quint32(b & 0xFF) << 16);
}

inline QColor toQColor(quint32 value, const QPalette &palette)
{
    if (value & 0x80000000u) {
        switch (value & 0xFF) {
        case 0x12: // button text
            return palette.color(QPalette::ButtonText);
        case 0x05: // window background
            return palette.color(QPalette::Base);
        case 0x08: // window text
            return palette.color(QPalette::WindowText);
        case 0x0F: // button face
            return palette.color(QPalette::Button);
        default:
            return palette.color(QPalette::WindowText);
        }
    }
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

} // namespace controlcolor

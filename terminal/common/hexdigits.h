#pragma once

#include <QtGlobal>

// Hexadecimal digits, both ways: the receive box shows bytes with them and the
// send box is read with them.
namespace hexdigits {

// The digits the receive box writes, upper case.
inline constexpr char upper[] = "0123456789ABCDEF";

// The value of a digit 0-9, A-F or a-f; -1 for any other character.
constexpr int valueOf(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    const char16_t letter = c | 0x20; // upper case to lower case, and nothing else to a letter
    return letter >= u'a' && letter <= u'f' ? letter - u'a' + 10 : -1;
}

} // namespace hexdigits

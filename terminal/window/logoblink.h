#pragma once

#include "widgets/controlcolor.h"

// The maker's label blinks between the button-text colour and pure red, one
// step a tick of the logo timer. Its colour is the blink's only state.
namespace logoblink {

constexpr quint32 nextColor(quint32 color)
{
    if (color == controlcolor::buttonText)
        return controlcolor::red;
    if (color == controlcolor::red)
        return controlcolor::buttonText;
    return color; // a colour someone else chose is left alone
}

} // namespace logoblink

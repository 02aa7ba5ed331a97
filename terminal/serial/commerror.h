#pragma once

#include "common/numberederror.h"

// An error raised by the serial control; its numbers are NumberedError's.
class CommError : public NumberedError
{
public:
    using NumberedError::NumberedError;
};

#pragma once

#include "common/numberederror.h"

#include <QString>

#include <functional>

// The numbered error an operation raises, as a test looks at it: number 0
// and no description when it raises none.
struct RaisedError
{
    int number = 0;
    QString description;
};

inline RaisedError errorRaisedBy(const std::function<void()> &operation)
{
    try {
        operation();
    } catch (const NumberedError &error) {
        return {error.number(), error.description()};
    }
    return {};
}

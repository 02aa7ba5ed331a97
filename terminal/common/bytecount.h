#pragma once

#include <QString>

// The byte counters live in their labels' captions: plain decimal text.
// Adds amount to the count that caption shows and returns the new caption:
// whole numbers as plain digits, exact up to 2^53. Throws NumberedError
// (TypeMismatch) when the caption does not read as a number.
QString addToCount(const QString &caption, double amount);

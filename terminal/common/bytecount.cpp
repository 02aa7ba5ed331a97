#include "common/bytecount.h"

#include "common/numberederror.h"

#include <cmath>

QString addToCount(const QString &caption, double amount)
{
    bool ok = false;
    const double current = caption.trimmed().toDouble(&ok);
    if (!ok)
        throw errors::countNotANumber(caption);
    const double sum = current + amount;
    if (sum == std::floor(sum) && std::fabs(sum) < 1e17)
        return QString::number(sum, 'f', 0);
    return QString::number(sum, 'g', 15);
}

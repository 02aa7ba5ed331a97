#include "send/autosendinterval.h"

#include "common/numberederror.h"
#include "send/intervaltimer.h"

#include <algorithm>

namespace {

bool isDigit(QChar character)
{
    return character.unicode() >= u'0' && character.unicode() <= u'9';
}

} // namespace

bool isIntervalText(QStringView text)
{
    return std::all_of(text.begin(), text.end(), isDigit);
}

int autoSendInterval(const QString &text)
{
    if (text.isEmpty())
        throw errors::intervalMissing();
    if (!isIntervalText(text))
        throw errors::intervalNotANumber(text);

    // Leading zeros mean nothing; more than ten digits never fit.
    QStringView digits(text);
    while (digits.size() > 1 && digits.front() == u'0')
        digits = digits.mid(1);
    const qint64 milliseconds = digits.size() <= 10 ? digits.toLongLong() : -1;
    if (milliseconds < 0 || milliseconds > IntervalTimer::maximumInterval)
        throw errors::intervalTooLong(digits, IntervalTimer::maximumInterval);
    if (milliseconds == 0)
        throw errors::intervalZero();
    return static_cast<int>(milliseconds);
}

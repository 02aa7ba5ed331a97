#include "send/autosendinterval.h"

#include "common/numberederror.h"
#include "send/intervaltimer.h"

#include <algorithm>

namespace {

constexpr int invalidValue = 380;

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
        throw NumberedError(NumberedError::TypeMismatch,
                            QStringLiteral("请先填写自动发送周期（以毫秒计的正整数）"));
    if (!isIntervalText(text))
        throw NumberedError(NumberedError::TypeMismatch,
                            QStringLiteral("自动发送周期“%1”不是正整数").arg(text));

    // Leading zeros mean nothing; more than ten digits never fit.
    QStringView digits(text);
    while (digits.size() > 1 && digits.front() == u'0')
        digits = digits.mid(1);
    const qint64 milliseconds = digits.size() <= 10 ? digits.toLongLong() : -1;
    if (milliseconds < 0 || milliseconds > IntervalTimer::maximumInterval)
        throw NumberedError(NumberedError::Overflow,
                            QStringLiteral("自动发送周期 %1 ms 太长，最长为 %2 ms")
                                .arg(digits)
                                .arg(IntervalTimer::maximumInterval));
    if (milliseconds == 0)
        throw NumberedError(invalidValue, QStringLiteral("自动发送周期不能为 0 ms"));
    return static_cast<int>(milliseconds);
}

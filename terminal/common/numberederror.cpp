#include "common/numberederror.h"

namespace errors {

NumberedError countNotANumber(const QString &caption)
{
    return {NumberedError::TypeMismatch, QStringLiteral("计数“%1”不是数字").arg(caption)};
}

NumberedError intervalMissing()
{
    return {NumberedError::TypeMismatch,
            QStringLiteral("请先填写自动发送周期（以毫秒计的正整数）")};
}

NumberedError intervalNotANumber(const QString &text)
{
    return {NumberedError::TypeMismatch, QStringLiteral("自动发送周期“%1”不是正整数").arg(text)};
}

NumberedError intervalTooLong(QStringView digits, qint64 longest)
{
    return {NumberedError::Overflow,
            QStringLiteral("自动发送周期 %1 ms 太长，最长为 %2 ms").arg(digits).arg(longest)};
}

NumberedError intervalZero()
{
    return {NumberedError::InvalidPropertyValue, QStringLiteral("自动发送周期不能为 0 ms")};
}

NumberedError timerIntervalOutOfRange(qint64 milliseconds, qint64 longest)
{
    return {NumberedError::InvalidPropertyValue,
            QStringLiteral("定时器周期 %1 ms 超出范围（0 到 %2）").arg(milliseconds).arg(longest)};
}

NumberedError noGbkConversion()
{
    return {NumberedError::InvalidCall, QStringLiteral("本机没有 GBK 编码转换，无法发送文本")};
}

NumberedError lineLost()
{
    return {NumberedError::ReadFailed,
            QStringLiteral("串口连接已断开（设备已拔出或对方已挂断），端口已关闭")};
}

NumberedError outOfMemory()
{
    return {NumberedError::OutOfMemory, QStringLiteral("内存不足")};
}

} // namespace errors

#include "serial/windows/win32comm.h"

#include <qt_windows.h>

namespace win32comm {

QString systemMessage(quint32 errorCode)
{
    wchar_t *buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, errorCode, 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    QString text;
    if (length > 0 && buffer)
        text = QString::fromWCharArray(buffer, length).trimmed();
    LocalFree(buffer);
    return text.isEmpty() ? QStringLiteral("错误 %1").arg(errorCode) : text;
}

CommError openFailure(const QString &portName, quint32 errorCode)
{
    const QString reason = systemMessage(errorCode);
    switch (errorCode) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
        return CommError(CommError::InvalidPortNumber,
                         QStringLiteral("找不到串口 %1：%2").arg(portName, reason));
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return CommError(CommError::PortAlreadyOpen,
                         QStringLiteral("串口 %1 已被另一个程序占用：%2").arg(portName, reason));
    default:
        break;
    }
    return CommError(
        CommError::DeviceUnavailable,
        QStringLiteral("无法打开串口 %1：%2（错误 %3）").arg(portName, reason).arg(errorCode));
}

QString portNameOf(const QString &device)
{
    const QLatin1String devicePrefix("\\\\.\\");
    return device.startsWith(devicePrefix) ? device.mid(devicePrefix.size()) : device;
}

} // namespace win32comm

#pragma once

#include "serial/commerror.h"
#include "serial/mscommexport.h"

#include <QString>

// What the Win32 communications functions report, in the serial control's
// terms. Plain functions of an error code, so that they are tested alike on
// Windows and under wine (which, unlike Windows, lets two programs open one
// port and so never reports a port in use).
namespace win32comm {

// The system's text for a Win32 error code, or "错误 N" when it has none.
MSCOMM_EXPORT QString systemMessage(quint32 errorCode);

// Why CreateFileW could not open the port named portName ("COM3"): a port
// that does not exist is InvalidPortNumber, one that another program holds
// (Windows gives a port to one program at a time) is PortAlreadyOpen, and
// anything else is DeviceUnavailable with the system's text.
MSCOMM_EXPORT CommError openFailure(const QString &portName, quint32 errorCode);

// "\\.\COM12" -> "COM12": the name a user knows a port by.
MSCOMM_EXPORT QString portNameOf(const QString &device);

} // namespace win32comm

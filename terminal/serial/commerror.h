#pragma once

#include "common/numberederror.h"

// An error raised by the serial control.
class CommError : public NumberedError
{
public:
    // The numbers the serial control reports.
    enum Number : int {
        PermissionDenied = 70,      // the device is not ours to open (mode, group)
        InvalidPropertyValue = 380, // a line setting or property value the control refuses
        InvalidPortNumber = 8002,   // no such port on this machine
        PortAlreadyOpen = 8005,     // the port is held by another program (or by us)
        DeviceUnavailable = 8012,   // the device could not be opened for another reason
        PortNotOpen = 8018,         // the operation needs an open port
        ReadFailed = 8020,          // reading from the line failed
        WriteFailed = 8021,         // writing to the line failed
        SendQueueFull = 8022,       // the line is not taking bytes as fast as they are sent
    };

    using NumberedError::NumberedError;
};

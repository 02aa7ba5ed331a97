#pragma once

#include "serial/mscommexport.h"

#include <QList>
#include <QString>

#include <memory>

// One serial port as the machine reports it.
struct PortEntry
{
    QString device;      // what the serial control opens, e.g. "/dev/ttyUSB0" or "\\.\COM3"
    QString description; // a human-readable line for tool tips
};

// Maps the terminal's port numbers to devices: COMn is entry n-1 of ports().
// The serial control asks afresh at every open, so ports plugged in while the
// terminal runs are found.
class PortCatalog
{
public:
    virtual ~PortCatalog() = default;
    virtual QList<PortEntry> ports() const = 0;
};

// The system's own catalog (serial/unix, serial/windows).
MSCOMM_EXPORT std::shared_ptr<const PortCatalog> defaultPortCatalog();

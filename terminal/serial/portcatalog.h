#pragma once

#include <QList>
#include <QString>

#include <memory>

// One serial port as the machine reports it.
struct PortEntry
{
    QString device;      // what the serial control opens, e.g. "/dev/ttyUSB0"
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

// The ports that the system reports, in a stable order: USB serial adapters
// (ttyUSB*) first, then USB modems and CDC-ACM devices (ttyACM*), then every
// other kind; within a kind by name, numbers compared as numbers.
class SystemPortCatalog : public PortCatalog
{
public:
    QList<PortEntry> ports() const override;

    // The ordering rule on its own, for device names such as "ttyUSB1".
    static bool comesBefore(const QString &leftName, const QString &rightName);
};

std::shared_ptr<const PortCatalog> defaultPortCatalog();

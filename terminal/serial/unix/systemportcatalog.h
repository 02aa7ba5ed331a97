#pragma once

#include "serial/portcatalog.h"

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

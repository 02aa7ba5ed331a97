#pragma once

#include "serial/portcatalog.h"

#include <QStringList>

#include <memory>

// A port catalog of the test's choosing: COMn is the n-th device given.
class TestCatalog : public PortCatalog
{
public:
    explicit TestCatalog(QStringList devices) : m_devices(std::move(devices)) {}

    QList<PortEntry> ports() const override
    {
        QList<PortEntry> entries;
        for (const QString &device : m_devices)
            entries.append({device, device});
        return entries;
    }

    static std::shared_ptr<const PortCatalog> of(const QStringList &devices)
    {
        return std::make_shared<TestCatalog>(devices);
    }

private:
    QStringList m_devices;
};

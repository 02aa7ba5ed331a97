#include "serial/portcatalog.h"

#include <qt_windows.h>

namespace {

// COMn is the system's own COMn: the numbers the terminal offers are the
// names Windows gives its ports, whichever of them exist now. Whether one
// exists is found out when it is opened.
class SystemPortCatalog : public PortCatalog
{
public:
    QList<PortEntry> ports() const override
    {
        QList<PortEntry> entries;
        entries.reserve(highestPort);
        for (int number = 1; number <= highestPort; ++number) {
            const QString name = QStringLiteral("COM%1").arg(number);
            entries.append({QStringLiteral("\\\\.\\") + name, describe(name)});
        }
        return entries;
    }

private:
    static constexpr int highestPort = 255;

    // "COM3 (\Device\Serial0)" for a port the system knows; its name alone
    // otherwise.
    static QString describe(const QString &name)
    {
        wchar_t target[MAX_PATH];
        if (QueryDosDeviceW(reinterpret_cast<const wchar_t *>(name.utf16()), target, MAX_PATH) == 0)
            return name;
        return QStringLiteral("%1 (%2)").arg(name, QString::fromWCharArray(target));
    }
};

} // namespace

std::shared_ptr<const PortCatalog> defaultPortCatalog()
{
    return std::make_shared<SystemPortCatalog>();
}

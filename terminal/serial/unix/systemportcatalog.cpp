#include "serial/unix/systemportcatalog.h"

#include <QSerialPortInfo>

#include <algorithm>

namespace {

int kindRank(const QString &name)
{
    if (name.startsWith(QLatin1String("ttyUSB")))
        return 0;
    if (name.startsWith(QLatin1String("ttyACM")))
        return 1;
    return 2;
}

// "ttyUSB10" -> ("ttyUSB", 10); a name without a trailing number -> (name, -1).
std::pair<QString, qlonglong> splitTrailingNumber(const QString &name)
{
    qsizetype digitsFrom = name.size();
    while (digitsFrom > 0 && name.at(digitsFrom - 1).isDigit())
        --digitsFrom;
    if (digitsFrom == name.size())
        return {name, -1};
    return {name.left(digitsFrom), name.mid(digitsFrom).toLongLong()};
}

} // namespace

bool SystemPortCatalog::comesBefore(const QString &leftName, const QString &rightName)
{
    const int leftRank = kindRank(leftName);
    const int rightRank = kindRank(rightName);
    if (leftRank != rightRank)
        return leftRank < rightRank;
    return splitTrailingNumber(leftName) < splitTrailingNumber(rightName);
}

QList<PortEntry> SystemPortCatalog::ports() const
{
    QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    std::stable_sort(infos.begin(), infos.end(),
                     [](const QSerialPortInfo &left, const QSerialPortInfo &right) {
                         return comesBefore(left.portName(), right.portName());
                     });
    QList<PortEntry> entries;
    entries.reserve(infos.size());
    for (const QSerialPortInfo &info : infos) {
        QString description = info.systemLocation();
        const QString detail =
            info.description().isEmpty() ? info.manufacturer() : info.description();
        if (!detail.isEmpty())
            description += QStringLiteral(" (%1)").arg(detail);
        entries.append({info.systemLocation(), description});
    }
    return entries;
}

std::shared_ptr<const PortCatalog> defaultPortCatalog()
{
    return std::make_shared<SystemPortCatalog>();
}

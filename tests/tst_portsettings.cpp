#include "serial/linesettings.h"
#include "window/portsettings.h"

#include <QTest>

class tst_PortSettings : public QObject
{
    Q_OBJECT

private slots:
    void settingsStringTakesTheParityLetter();
};

void tst_PortSettings::settingsStringTakesTheParityLetter()
{
    using namespace portsettings;
    QCOMPARE(settingsString("4800", "NONE", "8", "1"), QStringLiteral("4800,N,8,1"));
    QCOMPARE(settingsString("9600", "ODD", "7", "2"), QStringLiteral("9600,O,7,2"));
    QCOMPARE(settingsString("57600", "EVEN", "8", "1"), QStringLiteral("57600,E,8,1"));
    // Every combination the boxes offer is accepted by the settings parser.
    for (const QString &baud : baudRates().items)
        for (const QString &parity : parities().items)
            for (const QString &data : dataBits().items)
                for (const QString &stop : stopBits().items)
                    LineSettings::parse(settingsString(baud, parity, data, stop));
}

QTEST_APPLESS_MAIN(tst_PortSettings)
#include "tst_portsettings.moc"

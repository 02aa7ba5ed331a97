#include "serial/unix/systemportcatalog.h"

#include <QTest>

class tst_PortCatalog : public QObject
{
    Q_OBJECT

private slots:
    void portOrderPutsUsbAdaptersFirst();
};

void tst_PortCatalog::portOrderPutsUsbAdaptersFirst()
{
    QStringList names{"ttyS1",   "ttyACM0", "ttyS0", "ttyUSB10", "ttyAMA0",
                      "ttyUSB2", "ttyS10",  "ttyS2", "ttyUSB0"};
    std::sort(names.begin(), names.end(), SystemPortCatalog::comesBefore);
    QCOMPARE(names, QStringList({"ttyUSB0", "ttyUSB2", "ttyUSB10", "ttyACM0", "ttyAMA0", "ttyS0",
                                 "ttyS1", "ttyS2", "ttyS10"}));
}

QTEST_APPLESS_MAIN(tst_PortCatalog)
#include "tst_portcatalog.moc"

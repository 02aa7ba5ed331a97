#include "serial/commerror.h"
#include "serial/linesettings.h"
#include "tests/support/raisederror.h"

#include <QTest>

using Parity = LineSettings::Parity;
using StopBits = LineSettings::StopBits;

class tst_LineSettings : public QObject
{
    Q_OBJECT

private slots:
    void parsesWhatTheBoxesProduce_data();
    void parsesWhatTheBoxesProduce();
    void refusesWhatTheLineCannotTake_data();
    void refusesWhatTheLineCannotTake();
};

void tst_LineSettings::parsesWhatTheBoxesProduce_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");

    QTest::newRow("defaults") << "4800,N,8,1" << 4800 << int(Parity::None) << 8
                              << int(StopBits::One);
    QTest::newRow("odd") << "9600,O,8,1" << 9600 << int(Parity::Odd) << 8 << int(StopBits::One);
    QTest::newRow("even 7 bits two stops")
        << "115200,E,7,2" << 115200 << int(Parity::Even) << 7 << int(StopBits::Two);
    QTest::newRow("odd list rate 43000")
        << "43000,N,5,2" << 43000 << int(Parity::None) << 5 << int(StopBits::Two);
    QTest::newRow("lower-case letter")
        << "300,e,6,1" << 300 << int(Parity::Even) << 6 << int(StopBits::One);
}

void tst_LineSettings::parsesWhatTheBoxesProduce()
{
    QFETCH(QString, text);
    QFETCH(int, baud);
    QFETCH(int, parity);
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    const LineSettings settings = LineSettings::parse(text);
    QCOMPARE(settings.baudRate, baud);
    QCOMPARE(int(settings.parity), parity);
    QCOMPARE(settings.dataBits, dataBits);
    QCOMPARE(int(settings.stopBits), stopBits);
    QCOMPARE(LineSettings::parse(settings.toString()), settings);
}

void tst_LineSettings::refusesWhatTheLineCannotTake_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("three fields") << "4800,N,8";
    QTest::newRow("five fields") << "4800,N,8,1,1";
    QTest::newRow("mark parity") << "4800,M,8,1";
    QTest::newRow("parity word") << "4800,NONE,8,1";
    QTest::newRow("nine data bits") << "4800,N,9,1";
    QTest::newRow("three stop bits") << "4800,N,8,3";
    QTest::newRow("typed baud") << "fast,N,8,1";
    QTest::newRow("zero baud") << "0,N,8,1";
    QTest::newRow("negative baud") << "-9600,N,8,1";
    QTest::newRow("empty parity") << "4800,,8,1";
}

void tst_LineSettings::refusesWhatTheLineCannotTake()
{
    QFETCH(QString, text);
    const RaisedError error = errorRaisedBy([&] { LineSettings::parse(text); });
    QCOMPARE(error.number, int(CommError::InvalidPropertyValue));
    QVERIFY(error.description.contains(text));
}

QTEST_GUILESS_MAIN(tst_LineSettings)
#include "tst_linesettings.moc"

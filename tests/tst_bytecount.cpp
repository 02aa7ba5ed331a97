#include "common/bytecount.h"
#include "tests/support/raisederror.h"

#include <QTest>

class tst_ByteCount : public QObject
{
    Q_OBJECT

private slots:
    void addsAndShowsPlainDigits_data();
    void addsAndShowsPlainDigits();
    void refusesACaptionThatIsNoNumber();
};

void tst_ByteCount::addsAndShowsPlainDigits_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<double>("amount");
    QTest::addColumn<QString>("sum");
    QTest::newRow("first byte") << "0" << 1.0 << "1";
    QTest::newRow("nine to ten") << "9" << 1.0 << "10";
    QTest::newRow("a batch") << "41" << 3.0 << "44";
    QTest::newRow("a double-byte character") << "1" << 2.0 << "3";
    QTest::newRow("a million, no separators") << "999999" << 1.0 << "1000000";
    QTest::newRow("ten to the fifteenth, exact") << "999999999999999" << 1.0 << "1000000000000000";
    QTest::newRow("past ten to the fifteenth")
        << "1000000000000000" << 32768.0 << "1000000000032768";
}

void tst_ByteCount::addsAndShowsPlainDigits()
{
    QFETCH(QString, caption);
    QFETCH(double, amount);
    QFETCH(QString, sum);
    QCOMPARE(addToCount(caption, amount), sum);
}

void tst_ByteCount::refusesACaptionThatIsNoNumber()
{
    QCOMPARE(errorRaisedBy([] { addToCount(QStringLiteral("RX"), 1); }).number, 13);
}

QTEST_GUILESS_MAIN(tst_ByteCount)
#include "tst_bytecount.moc"

#include "send/hexscan.h"

#include <QTest>

#include <stdexcept>

class tst_HexScan : public QObject
{
    Q_OBJECT

private slots:
    void scan_data();
    void scan();
    void reportsEachByteBeforeReadingOn();
};

void tst_HexScan::scan_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<qsizetype>("stopPosition");

    auto row = [](const char *name, const QString &text, const char *hexBytes, bool complete,
                  qsizetype stop) {
        QTest::newRow(name) << text << QByteArray::fromHex(hexBytes) << complete << stop;
    };

    // Typical boxes and where each scan ends.
    row("spaced pairs", u"01 02 FF"_qs, "0102ff", true, 8);
    row("run of pairs", u"0102ff"_qs, "0102ff", true, 6);
    row("odd run", u"123"_qs, "1203", true, 3);
    row("lone digit first", u"1 23"_qs, "0123", true, 4);
    row("lone digits", u"1 2 3"_qs, "010203", true, 5);
    row("two odd runs", u"ABC DEF"_qs, "ab0cde0f", true, 7);
    row("comma", u"12,34"_qs, "12", false, 2);
    row("line break after", u"12 34\r\n"_qs, "1234", false, 5);
    row("0x prefix", u"0x12"_qs, "", false, 1);
    row("non-digit partner", u"1G"_qs, "", false, 1);
    row("spaces only", u"   "_qs, "", true, 3);
    row("empty", QString(), "", true, 0);

    // Odd corners.
    row("letters after a byte", u"12 zz 34"_qs, "12", false, 3);
    row("single digit", u"7"_qs, "07", true, 1);
    row("digit then space at end", u"5 "_qs, "05", true, 2);
    row("tab is no separator", u"12\t34"_qs, "12", false, 2);
    row("full-width space", u"12\u300034"_qs, "12", false, 2);
    row("full-width digit", u"\uff11\uff12"_qs, "", false, 0);
    row("surrogate pair", u"01 \U0001F600"_qs, "01", false, 3);
}

void tst_HexScan::scan()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, complete);
    QFETCH(qsizetype, stopPosition);

    QByteArray scanned;
    const HexScanEnd end =
        scanHexBytes(text, [&scanned](quint8 byte) { scanned.append(char(byte)); });
    QCOMPARE(scanned.toHex(' '), bytes.toHex(' '));
    QCOMPARE(end.complete, complete);
    QCOMPARE(end.position, stopPosition);
}

// The window writes and counts inside the callback: a failure there must end
// the scan with the earlier bytes already reported and nothing after them.
void tst_HexScan::reportsEachByteBeforeReadingOn()
{
    QByteArray seen;
    const auto failOnSecond = [&seen](quint8 byte) {
        seen.append(char(byte));
        if (seen.size() == 2)
            throw std::runtime_error("line gone");
    };
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, scanHexBytes(u"0a 0b 0c", failOnSecond));
    QCOMPARE(seen, QByteArray::fromHex("0a0b"));
}

QTEST_APPLESS_MAIN(tst_HexScan)
#include "tst_hexscan.moc"

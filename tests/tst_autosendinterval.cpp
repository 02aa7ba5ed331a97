#include "common/numberederror.h"
#include "send/autosendinterval.h"
#include "tests/support/raisederror.h"

#include <QTest>

class tst_AutoSendInterval : public QObject
{
    Q_OBJECT

private slots:
    void intervalText_data();
    void intervalText();
    void interval_data();
    void interval();
};

void tst_AutoSendInterval::intervalText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("empty") << QString() << true;
    QTest::newRow("digits") << u"1000"_qs << true;
    QTest::newRow("leading zeros") << u"0050"_qs << true;
    QTest::newRow("minus") << u"-5"_qs << false;
    QTest::newRow("point") << u"1.5"_qs << false;
    QTest::newRow("space") << u"1 0"_qs << false;
    QTest::newRow("hex prefix") << u"0x10"_qs << false;
    QTest::newRow("full-width digit") << u"\uff15"_qs << false;
    QTest::newRow("arabic-indic digit") << u"\u0665"_qs << false;
}

void tst_AutoSendInterval::intervalText()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QCOMPARE(isIntervalText(text), accepted);
}

void tst_AutoSendInterval::interval_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("milliseconds"); // 0: refused
    QTest::addColumn<int>("errorNumber");

    QTest::newRow("ordinary") << u"500"_qs << 500 << 0;
    QTest::newRow("leading zeros") << u"000500"_qs << 500 << 0;
    QTest::newRow("longest") << u"2147483647"_qs << 2147483647 << 0;
    QTest::newRow("longest behind zeros") << u"0002147483647"_qs << 2147483647 << 0;
    QTest::newRow("empty") << QString() << 0 << int(NumberedError::TypeMismatch);
    QTest::newRow("not a number") << u"5x"_qs << 0 << int(NumberedError::TypeMismatch);
    QTest::newRow("zero") << u"0"_qs << 0 << int(NumberedError::InvalidPropertyValue);
    QTest::newRow("zeros") << u"0000"_qs << 0 << int(NumberedError::InvalidPropertyValue);
    QTest::newRow("one too long") << u"2147483648"_qs << 0 << int(NumberedError::Overflow);
    QTest::newRow("beyond 64 bits")
        << u"99999999999999999999999"_qs << 0 << int(NumberedError::Overflow);
}

void tst_AutoSendInterval::interval()
{
    QFETCH(QString, text);
    QFETCH(int, milliseconds);
    QFETCH(int, errorNumber);

    if (errorNumber == 0) {
        QCOMPARE(autoSendInterval(text), milliseconds);
        return;
    }
    const RaisedError error = errorRaisedBy([&] { autoSendInterval(text); });
    QCOMPARE(error.number, errorNumber);
    QVERIFY(!error.description.isEmpty());
}

QTEST_APPLESS_MAIN(tst_AutoSendInterval)
#include "tst_autosendinterval.moc"

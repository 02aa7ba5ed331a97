#include "common/gbk.h"

#include <QTest>

class tst_Gbk : public QObject
{
    Q_OBJECT

private slots:
    void bytes_data();
    void bytes();
    void eachCharacterOwnsItsBytes();
};

void tst_Gbk::bytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    auto row = [](const char *name, const QString &text, const char *hexBytes) {
        QTest::newRow(name) << text << QByteArray::fromHex(hexBytes);
    };
    row("ascii and a double-byte character", u"AB中"_qs, "4142d6d0");
    row("line break as CR LF", u"A\r\nB"_qs, "410d0a42");
    row("empty", QString(), "");
    row("euro, a single-byte code above 127", u"\u20ac"_qs, "80");
    row("outside GBK", u"\u00ff"_qs, "3f");
    row("surrogate pair is one character", u"A\U0001F600B"_qs, "413f42");
    row("lone high surrogate at the end", u"A\xd800"_qs, "413f");
    row("lone high surrogate inside",
        u"\xd800"
        "A"_qs,
        "3f41");
    row("lone low surrogate",
        u"\xdc00"
        "A"_qs,
        "3f41");
    row("two high surrogates then a pair", u"\xd800\xd800\xdc00"_qs, "3f3f");
    row("NUL", QString(QChar(0)), "00");
}

void tst_Gbk::bytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(gbk::encode(text).toHex(' '), bytes.toHex(' '));
}

// The send count is the size of the bytes; it must be the sum of what each
// character alone would put on the line, whatever its neighbours.
void tst_Gbk::eachCharacterOwnsItsBytes()
{
    const QString text = u"Hi 你好\r\n€\U0001F600\xd83d!"_qs;
    qsizetype sum = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const QByteArray alone = gbk::encode(QStringView(text).mid(i, pair ? 2 : 1));
        QVERIFY2(alone.size() == 1 || alone.size() == 2, qPrintable(QString::number(i)));
        sum += alone.size();
        if (pair)
            ++i;
    }
    QCOMPARE(gbk::encode(text).size(), sum);
}

QTEST_APPLESS_MAIN(tst_Gbk)
#include "tst_gbk.moc"

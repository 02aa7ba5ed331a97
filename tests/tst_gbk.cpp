#include "common/gbk.h"

#include <QCryptographicHash>
#include <QTest>

class tst_Gbk : public QObject
{
    Q_OBJECT

private slots:
    void bytes_data();
    void bytes();
    void eachCharacterOwnsItsBytes();
    void wholeCodePage();
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
    row("invisible characters outside GBK", u"A\u00ad\u200b\ufeffB"_qs, "413f3f3f42");
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

// Every code both ways, as one fingerprint: the same on every system, whose
// conversions the tables are built from. The bytes of each character of the
// Basic Multilingual Plane, and the character of 128, 255 and each pair.
void tst_Gbk::wholeCodePage()
{
    QCryptographicHash encoded(QCryptographicHash::Sha1);
    for (int code = 0x80; code <= 0xFFFF; ++code) {
        if (QChar::isSurrogate(code))
            continue;
        const QByteArray bytes = gbk::encode(QString(QChar(code)));
        QVERIFY2(bytes.size() == 1 || bytes.size() == 2, qPrintable(QString::number(code, 16)));
        encoded.addData(bytes + ' ');
    }
    QCOMPARE(encoded.result().toHex(), QByteArray("d566577f72108aab587445d38dffcfeedf1ce048"));

    QCOMPARE(gbk::decodeByte(128), u'\u20ac');
    QCOMPARE(gbk::decodeByte(255), u'\uf8f5');
    QCOMPARE(gbk::decodePair(0xd6, 0xd0), u'中');
    QString decoded;
    for (int lead = 129; lead <= 254; ++lead) {
        for (int trail = 129; trail <= 254; ++trail)
            decoded.append(QChar(gbk::decodePair(quint8(lead), quint8(trail))));
    }
    QVERIFY(!decoded.contains(QChar(QChar::ReplacementCharacter)));
    QCOMPARE(QCryptographicHash::hash(decoded.toUtf8(), QCryptographicHash::Sha1).toHex(),
             QByteArray("4d3ae46a8a77c96b66d904ebdc2e6ad9dd3cb515"));
}

QTEST_APPLESS_MAIN(tst_Gbk)
#include "tst_gbk.moc"

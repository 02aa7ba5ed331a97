#include "common/gbk.h"
#include "receive/receivedecoder.h"

#include <QStringDecoder>
#include <QTest>

using Feeds = QList<QByteArray>;

class tst_ReceiveDecoder : public QObject
{
    Q_OBJECT

private slots:
    void showsBytes_data();
    void showsBytes();
    void everyPairIsTheCodePagesCharacter();
    void standaloneBytesAreTheCodePagesCharacters();
    void appendsToWhatThePieceHolds();
    void largeBatchComesOutWhole();
};

namespace {

QString platformGbk(const QByteArray &bytes)
{
    QStringDecoder decoder("GBK");
    return decoder(bytes);
}

} // namespace

void tst_ReceiveDecoder::showsBytes_data()
{
    QTest::addColumn<Feeds>("feeds");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<int>("heldBefore");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("heldAfter");

    QTest::newRow("hex: two digits and a blank per byte")
        << Feeds{QByteArray::fromHex("000F10FF")} << true << 0 << u"00 0F 10 FF "_qs << 0;
    QTest::newRow("hex: line breaks are bytes like any other")
        << Feeds{QByteArray::fromHex("0D0A")} << true << 0 << u"0D 0A "_qs << 0;
    QTest::newRow("hex leaves a held byte held")
        << Feeds{QByteArray::fromHex("A1")} << true << 0xB0 << u"A1 "_qs << 0xB0;
    QTest::newRow("text: ASCII and control characters as they are")
        << Feeds{QByteArray("AB\r\n")} << false << 0 << u"AB\r\n"_qs << 0;
    QTest::newRow("text: NUL is a character")
        << Feeds{QByteArray("a\0b", 3)} << false << 0 << QString(u"a\0b"_qs) << 0;
    QTest::newRow("a lead byte alone is held and shows nothing")
        << Feeds{QByteArray::fromHex("B0")} << false << 0 << QString() << 0xB0;
    QTest::newRow("a pair split across two reads")
        << Feeds{QByteArray::fromHex("B0"), QByteArray::fromHex("A1")} << false << 0 << u"啊"_qs
        << 0;
    QTest::newRow("a held byte pairs with the first byte of the next read")
        << Feeds{QByteArray::fromHex("A1")} << false << 0xB0 << u"啊"_qs << 0;
    QTest::newRow("B0 B0 A1 leaves A1 held")
        << Feeds{QByteArray::fromHex("B0B0A1")} << false << 0 << u"鞍"_qs << 0xA1;
    QTest::newRow("0x80 is never held")
        << Feeds{QByteArray::fromHex("80")} << false << 0 << u"€"_qs << 0;
    QTest::newRow("0xFF is never held")
        << Feeds{QByteArray::fromHex("FF")} << false << 0 << platformGbk("\xFF") << 0;
    QTest::newRow("ASCII between lead and trail stands alone, the pair still forms")
        << Feeds{QByteArray::fromHex("B041A1")} << false << 0 << u"A啊"_qs << 0;
    QTest::newRow("0x80 and 0xFF between lead and trail stand alone")
        << Feeds{QByteArray::fromHex("B080FFA1")} << false << 0
        << u"€"_qs + platformGbk("\xFF") + u"啊"_qs << 0;
    QTest::newRow("a held byte and ASCII, then the trail in a later read")
        << Feeds{QByteArray::fromHex("B0"), QByteArray("x"), QByteArray::fromHex("A1")} << false
        << 0 << u"x啊"_qs << 0;
    QTest::newRow("Chinese text with a full-width colon")
        << Feeds{QByteArray::fromHex("b4aebfdab5f7cad4a3bacad5b5bdcafdbedd")} << false << 0
        << u"串口调试：收到数据"_qs << 0;
}

void tst_ReceiveDecoder::showsBytes()
{
    QFETCH(Feeds, feeds);
    QFETCH(bool, hex);
    QFETCH(int, heldBefore);
    QFETCH(QString, shown);
    QFETCH(int, heldAfter);

    qint32 held = heldBefore;
    QString piece;
    for (const QByteArray &feed : feeds)
        receivedisplay::appendReceived(piece, feed, hex, held);
    QCOMPARE(piece, shown);
    QCOMPARE(held, heldAfter);
}

void tst_ReceiveDecoder::everyPairIsTheCodePagesCharacter()
{
    QStringDecoder decoder("GBK");
    QVERIFY(decoder.isValid());
    int mismatches = 0;
    for (int lead = 129; lead <= 254; ++lead) {
        for (int trail = 129; trail <= 254; ++trail) {
            QByteArray pair;
            pair.append(char(lead)).append(char(trail));
            decoder.resetState();
            const QString expected = decoder(pair);
            qint32 held = 0;
            QString piece;
            receivedisplay::appendReceived(piece, pair, false, held);
            if (piece != expected || held != 0) {
                if (++mismatches < 5)
                    qWarning("pair %02X%02X shows %s", lead, trail, qPrintable(piece));
            }
        }
    }
    QCOMPARE(mismatches, 0);
}

void tst_ReceiveDecoder::standaloneBytesAreTheCodePagesCharacters()
{
    for (int byte = 0; byte < 256; ++byte) {
        if (gbk::isPairingByte(quint8(byte)))
            continue;
        const QByteArray single(1, char(byte));
        qint32 held = 0xC4; // stays held whatever stands alone
        QString piece;
        receivedisplay::appendReceived(piece, single, false, held);
        QCOMPARE(piece, platformGbk(single));
        QCOMPARE(held, 0xC4);
    }
}

void tst_ReceiveDecoder::appendsToWhatThePieceHolds()
{
    qint32 held = 0;
    QString piece = u"before "_qs;
    receivedisplay::appendReceived(piece, QByteArray("ok"), false, held);
    receivedisplay::appendReceived(piece, QByteArray::fromHex("7F"), true, held);
    QCOMPARE(piece, u"before ok7F "_qs);
}

void tst_ReceiveDecoder::largeBatchComesOutWhole()
{
    // Far more than a 16-bit index could count.
    QByteArray batch(100000, '\0');
    for (qsizetype i = 0; i < batch.size(); ++i)
        batch[i] = char(i % 256);
    qint32 held = 0;
    QString hex;
    receivedisplay::appendReceived(hex, batch, true, held);
    QCOMPARE(hex.size(), 300000);
    QVERIFY(hex.endsWith(u"9E 9F "_qs)); // 99998 % 256 = 0x9E

    QString text;
    receivedisplay::appendReceived(text, QByteArray(100000, 'z'), false, held);
    QCOMPARE(text, QString(100000, u'z'));
}

QTEST_APPLESS_MAIN(tst_ReceiveDecoder)
#include "tst_receivedecoder.moc"

#include "common/gbk.h"
#include "common/gbkconversion.h"
#include "receive/receivedecoder.h"

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
    void largeBatchComesOutWhole();
    void autoCorrectDropsAtTheSecondTick();
    void untickingBeforeTheSecondTickKeepsTheByte();
    void correctionOnDemand();
};

namespace {

// What the system's own GBK conversion makes of bytes taken on their own.
QString platformGbk(const QByteArray &bytes)
{
    return gbkconversion::decode(bytes);
}

// The decoder as the window drives it: receive events and the logo timer's
// ticks, with auto-correct ticked or not.
struct Receiver
{
    ReceiveDecoder decoder;
    bool autoCorrect = false;

    QString receive(const QByteArray &bytes)
    {
        decoder.beginEvent();
        const QString shown = decoder.decode(bytes).toString();
        decoder.endEvent(autoCorrect);
        return shown;
    }
    void tick(int count = 1)
    {
        for (int i = 0; i < count; ++i)
            decoder.tick(autoCorrect);
    }
    void setAutoCorrect(bool ticked)
    {
        autoCorrect = ticked;
        decoder.autoCorrectChanged(ticked);
    }
};

const QByteArray b0 = QByteArray::fromHex("B0");
const QByteArray a1 = QByteArray::fromHex("A1");

} // namespace

void tst_ReceiveDecoder::showsBytes_data()
{
    QTest::addColumn<Feeds>("feeds");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("heldAfter");

    QTest::newRow("ASCII and control characters as they are")
        << Feeds{QByteArray("AB\r\n")} << u"AB\r\n"_qs << 0;
    QTest::newRow("NUL is a character") << Feeds{QByteArray("a\0b", 3)} << QString(u"a\0b"_qs) << 0;
    QTest::newRow("a lead byte alone is held and shows nothing") << Feeds{b0} << QString() << 0xB0;
    QTest::newRow("a pair split across two reads") << Feeds{b0, a1} << u"啊"_qs << 0;
    QTest::newRow("B0 B0 A1 leaves A1 held")
        << Feeds{QByteArray::fromHex("B0B0A1")} << u"鞍"_qs << 0xA1;
    QTest::newRow("0x80 is never held") << Feeds{QByteArray::fromHex("80")} << u"€"_qs << 0;
    QTest::newRow("0xFF is never held")
        << Feeds{QByteArray::fromHex("FF")} << platformGbk("\xFF") << 0;
    QTest::newRow("ASCII between lead and trail stands alone, the pair still forms")
        << Feeds{QByteArray::fromHex("B041A1")} << u"A啊"_qs << 0;
    QTest::newRow("0x80 and 0xFF between lead and trail stand alone")
        << Feeds{QByteArray::fromHex("B080FFA1")} << u"€"_qs + platformGbk("\xFF") + u"啊"_qs << 0;
    QTest::newRow("a held byte and ASCII, then the trail in a later read")
        << Feeds{b0, QByteArray("x"), a1} << u"x啊"_qs << 0;
    QTest::newRow("Chinese text with a full-width colon")
        << Feeds{QByteArray::fromHex("b4aebfdab5f7cad4a3bacad5b5bdcafdbedd")}
        << u"串口调试：收到数据"_qs << 0;
}

void tst_ReceiveDecoder::showsBytes()
{
    QFETCH(Feeds, feeds);
    QFETCH(QString, shown);
    QFETCH(int, heldAfter);

    ReceiveDecoder decoder;
    QString piece;
    for (const QByteArray &feed : feeds)
        piece += decoder.decode(feed);
    QCOMPARE(piece, shown);
    QCOMPARE(decoder.pendingLeadByte(), heldAfter);
}

void tst_ReceiveDecoder::everyPairIsTheCodePagesCharacter()
{
    QVERIFY(gbkconversion::available());
    int mismatches = 0;
    for (int lead = 129; lead <= 254; ++lead) {
        for (int trail = 129; trail <= 254; ++trail) {
            QByteArray pair;
            pair.append(char(lead)).append(char(trail));
            const QString expected = platformGbk(pair);
            ReceiveDecoder receiving;
            const QStringView piece = receiving.decode(pair);
            if (piece != expected || receiving.pendingLeadByte() != 0) {
                if (++mismatches < 5)
                    qWarning("pair %02X%02X shows %s", lead, trail, qPrintable(piece.toString()));
            }
        }
    }
    QCOMPARE(mismatches, 0);
}

void tst_ReceiveDecoder::standaloneBytesAreTheCodePagesCharacters()
{
    ReceiveDecoder decoder;
    decoder.decode(QByteArray::fromHex("C4")); // stays held whatever stands alone
    for (int byte = 0; byte < 256; ++byte) {
        if (gbk::isPairingByte(quint8(byte)))
            continue;
        const QByteArray single(1, char(byte));
        QCOMPARE(decoder.decode(single), platformGbk(single));
        QCOMPARE(decoder.pendingLeadByte(), 0xC4);
    }
}

void tst_ReceiveDecoder::largeBatchComesOutWhole()
{
    // Far more than a 16-bit index could count.
    ReceiveDecoder decoder;
    QCOMPARE(decoder.decode(QByteArray(100000, 'z')), QString(100000, u'z'));
}

void tst_ReceiveDecoder::autoCorrectDropsAtTheSecondTick()
{
    Receiver line;
    line.setAutoCorrect(true);
    QCOMPARE(line.receive(b0), QString());
    QVERIFY(!line.decoder.correctionOffered());
    line.tick();
    QCOMPARE(line.decoder.pendingLeadByte(), 0xB0);
    line.tick();
    QCOMPARE(line.decoder.pendingLeadByte(), 0);
    QVERIFY(!line.decoder.correctionOffered());

    // Pairing starts afresh: A1 is held itself.
    QCOMPARE(line.receive(a1), QString());
    QCOMPARE(line.decoder.pendingLeadByte(), 0xA1);

    // The completing byte before the second tick cancels the countdown.
    line.tick();
    QCOMPARE(line.receive(b0), u"“"_qs); // A1 B0
    line.tick(2);
    QCOMPARE(line.receive(b0), QString());
    QCOMPARE(line.decoder.pendingLeadByte(), 0xB0);
}

void tst_ReceiveDecoder::untickingBeforeTheSecondTickKeepsTheByte()
{
    Receiver line;
    line.setAutoCorrect(true);
    line.receive(b0);
    line.tick();
    line.setAutoCorrect(false); // nothing at once
    line.tick();
    QCOMPARE(line.decoder.pendingLeadByte(), 0xB0);
    QVERIFY(!line.decoder.correctionOffered());

    // Ticking it again while the correction is not offered changes nothing,
    // and the idle count never comes round to the correcting tick again.
    line.setAutoCorrect(true);
    line.tick(300);
    QCOMPARE(line.decoder.pendingLeadByte(), 0xB0);

    // The next high byte still completes the held one.
    QCOMPARE(line.receive(a1), u"啊"_qs);
}

void tst_ReceiveDecoder::correctionOnDemand()
{
    Receiver line;
    QCOMPARE(line.receive("x" + b0), u"x"_qs);
    QVERIFY(line.decoder.correctionOffered());
    line.tick(2); // without auto-correct the ticks drop nothing
    line.decoder.correct();
    QCOMPARE(line.decoder.pendingLeadByte(), 0);
    QVERIFY(!line.decoder.correctionOffered());

    // Every receive event withdraws the offer; one that leaves a byte held
    // makes it again.
    line.receive(QByteArray::fromHex("C4"));
    line.decoder.beginEvent();
    QVERIFY(!line.decoder.correctionOffered());
    line.decoder.endEvent(false);
    QVERIFY(line.decoder.correctionOffered());

    // Ticking auto-correct while the correction is offered drops the byte at once.
    line.setAutoCorrect(true);
    QCOMPARE(line.decoder.pendingLeadByte(), 0);
    QVERIFY(!line.decoder.correctionOffered());
}

QTEST_APPLESS_MAIN(tst_ReceiveDecoder)
#include "tst_receivedecoder.moc"

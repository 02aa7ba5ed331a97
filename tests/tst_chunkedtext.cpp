#include "textbox/chunkedtext.h"

#include <QRandomGenerator>
#include <QTest>

class tst_ChunkedText : public QObject
{
    Q_OBJECT

private slots:
    void appendsAcrossPieces();
    void piecesCoverExactlyTheAskedRange();
    void editsMatchAPlainString_data();
    void editsMatchAPlainString();
    void outOfRangeReadsAreHarmless();
};

namespace {

QString sample(qsizetype size, char16_t first = u'a')
{
    QString text(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        text[i] = QChar(char16_t(first + i % 26));
    return text;
}

QByteArray randomBytes(QRandomGenerator &random, qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

} // namespace

void tst_ChunkedText::appendsAcrossPieces()
{
    ChunkedText text;
    QString expected;
    for (const qsizetype size : {1, 100, 40000, 7, 70000, 3}) {
        const QString piece = sample(size, char16_t(u'a' + size % 5));
        text.append(piece);
        expected.append(piece);
    }
    QCOMPARE(text.size(), expected.size());
    QCOMPARE(text.toString(), expected);
    QCOMPARE(text.mid(32760, 20), expected.mid(32760, 20));
    QCOMPARE(text.at(65536), expected.at(65536));

    text.clear();
    QCOMPARE(text.size(), 0);
    QCOMPARE(text.toString(), QString());
}

void tst_ChunkedText::piecesCoverExactlyTheAskedRange()
{
    ChunkedText text;
    const QString whole = sample(100000);
    text.append(whole);
    QString joined;
    qint64 expectedStart = 12345;
    text.forEachPiece(12345, 87654, [&](auto piece, qint64 start) {
        QCOMPARE(start, expectedStart);
        expectedStart += piece.size();
        joined.append(piece);
    });
    QCOMPARE(joined, whole.mid(12345, 87654 - 12345));
}

void tst_ChunkedText::editsMatchAPlainString_data()
{
    // Pieces keep one byte a character until a wider one comes, and bytes
    // shown as hex as the bytes themselves until an edit inside them.
    QTest::addColumn<char16_t>("insertedFrom");
    QTest::addColumn<bool>("appendsHex");
    QTest::newRow("below U+0100") << char16_t(u'A') << false;
    QTest::newRow("Latin-1 and Chinese") << char16_t(0xE0) << false;
    QTest::newRow("bytes as hex and letters") << char16_t(u'A') << true;
}

void tst_ChunkedText::editsMatchAPlainString()
{
    QFETCH(char16_t, insertedFrom);
    QFETCH(bool, appendsHex);
    QRandomGenerator random(7340033); // a fixed start value: the same run every time
    ChunkedText text;
    QString expected;
    for (int step = 0; step < 400; ++step) {
        const int action = random.bounded(4);
        const qint64 at = random.bounded(int(expected.size()) + 1);
        if (action == 0) {
            const qsizetype size = random.bounded(1, 9000);
            if (appendsHex && random.bounded(4) != 0) {
                const QByteArray bytes = randomBytes(random, size);
                text.appendHex(bytes);
                expected.append(QLatin1StringView(bytes.toHex(' ').toUpper() + ' '));
            } else {
                text.append(sample(size));
                expected.append(sample(size));
            }
        } else if (action == 1) {
            QString piece = sample(random.bounded(1, 70000), insertedFrom);
            if (insertedFrom >= 0x80 && random.bounded(2) == 0)
                piece[random.bounded(int(piece.size()))] = u'中';
            text.insert(at, piece);
            expected.insert(at, piece);
        } else {
            const qint64 count = random.bounded(int(expected.size() - at) + 1);
            text.remove(at, count);
            expected.remove(at, count);
        }
        QCOMPARE(text.size(), expected.size());
        const qint64 probe = random.bounded(int(expected.size()) + 1);
        QCOMPARE(text.mid(probe, 50), expected.mid(probe, 50));
    }
    QCOMPARE(text.toString(), expected);
}

void tst_ChunkedText::outOfRangeReadsAreHarmless()
{
    ChunkedText text;
    QCOMPARE(text.at(0), QChar());
    text.append(u"abc");
    QCOMPARE(text.at(3), QChar());
    QCOMPARE(text.at(-1), QChar());
    QCOMPARE(text.mid(2, 100), u"c"_qs);
    QCOMPARE(text.mid(5, 1), QString());
    text.remove(2, 100);
    QCOMPARE(text.toString(), u"ab"_qs);
}

QTEST_APPLESS_MAIN(tst_ChunkedText)
#include "tst_chunkedtext.moc"

#include "textbox/chunkedtext.h"
#include "textbox/linewrap.h"

#include <QRandomGenerator>
#include <QTest>

using Starts = QList<qint64>;

class tst_LineWrap : public QObject
{
    Q_OBJECT

private slots:
    void lineBreaks_data();
    void lineBreaks();
    void wrapsAtTheWidth_data();
    void wrapsAtTheWidth();
    void crLfSplitAcrossAppendsIsOneBreak();
    void appendingMatchesWrappingTheWholeText();
    void editingMatchesWrappingTheWholeText();
    void appendingToALongLineLooksOnlyAtTheNewText();
    void editingLooksOnlyNearTheEdit();
    void newWidthWrapsEverythingAgain();
    void newWidthWrapsAgainInPortions_data();
    void newWidthWrapsAgainInPortions();
    void editWhileWrappingAgain();
    void measuresEachCharacterOnce();
    void controlCharactersShowAsSymbols();
};

namespace {

// Every character one unit wide, wide characters and surrogate pairs two.
qreal unitWidths(QStringView shown)
{
    return shown.size() == 2 || linewrap::isWide(shown.at(0).unicode()) ? 2.0 : 1.0;
}

struct Wrapped
{
    explicit Wrapped(qreal limit) : advances(unitWidths), lines(advances) { rewrapAt(limit); }

    // A new width, taken up in one portion.
    void rewrapAt(qreal limit)
    {
        lines.beginRewrap(limit);
        lines.continueRewrap(text, text.size());
    }

    void append(QStringView piece)
    {
        const qint64 from = text.size();
        text.append(piece);
        lines.appended(text, from);
    }

    void replace(qint64 position, qint64 removed, QStringView added)
    {
        text.remove(position, removed);
        text.insert(position, added);
        lines.replaced(text, position, removed, added.size());
    }

    Starts starts() const
    {
        Starts result;
        for (qsizetype line = 0; line < lines.count(); ++line)
            result.append(lines.start(line));
        return result;
    }

    // What wrapping the whole text at once gives.
    Starts freshStarts() const
    {
        Wrapped fresh(lines.widthLimit());
        fresh.append(text.toString());
        return fresh.starts();
    }

    ChunkedText text;
    GlyphAdvances advances;
    WrappedLines lines;
};

QString randomText(QRandomGenerator &random, int size)
{
    static const char16_t alphabet[] = u"abcdef  中文\r\n\r\n\0\t";
    QString text;
    for (int i = 0; i < size; ++i) {
        if (random.bounded(40) == 0)
            text.append(u"😀"); // a surrogate pair
        else
            text.append(QChar(alphabet[random.bounded(int(std::size(alphabet)) - 1)]));
    }
    return text;
}

} // namespace

void tst_LineWrap::lineBreaks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Starts>("starts");

    QTest::newRow("empty") << QString() << Starts{0};
    QTest::newRow("CR LF is one break") << u"a\r\nb"_qs << Starts{0, 3};
    QTest::newRow("lone LF") << u"a\nb"_qs << Starts{0, 2};
    QTest::newRow("lone CR") << u"a\rb"_qs << Starts{0, 2};
    QTest::newRow("CR then CR LF") << u"a\r\r\nb"_qs << Starts{0, 2, 4};
    QTest::newRow("LF then CR are two") << u"a\n\rb"_qs << Starts{0, 2, 3};
    QTest::newRow("two CR LF") << u"\r\n\r\n"_qs << Starts{0, 2, 4};
    QTest::newRow("text ending in a break has an empty last line") << u"ab\r\n"_qs << Starts{0, 4};
    QTest::newRow("NUL, TAB and other controls never break")
        << QString(u"a\0b\tc\x1b\x7f"_qs) << Starts{0};
}

void tst_LineWrap::lineBreaks()
{
    QFETCH(QString, text);
    QFETCH(Starts, starts);
    Wrapped wrapped(1000);
    wrapped.append(text);
    QCOMPARE(wrapped.starts(), starts);
}

void tst_LineWrap::wrapsAtTheWidth_data()
{
    QTest::addColumn<qreal>("limit");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Starts>("starts");

    QTest::newRow("a long word breaks where the line is full")
        << 10.0 << u"0123456789abc"_qs << Starts{0, 10};
    QTest::newRow("hex groups break after their blank")
        << 7.0 << u"00 0F 10 FF "_qs << Starts{0, 6};
    QTest::newRow("after the last blank, then where full")
        << 5.0 << u"ab cdefghij"_qs << Starts{0, 3, 8};
    QTest::newRow("between wide characters") << 5.0 << u"中文字符串"_qs << Starts{0, 2, 4};
    QTest::newRow("after a wide character") << 4.0 << u"ab中c"_qs << Starts{0, 3};
    QTest::newRow("blanks overhang the line") << 3.0 << u"abc   d"_qs << Starts{0, 6};
    QTest::newRow("one character a line when nothing fits") << 0.5 << u"abc"_qs << Starts{0, 1, 2};
    QTest::newRow("a surrogate pair stays whole") << 2.0 << u"a😀b"_qs << Starts{0, 1, 3};
    QTest::newRow("a line break starts afresh") << 3.0 << u"abcd\nef"_qs << Starts{0, 3, 5};
    QTest::newRow("NUL takes room like a letter") << 2.0 << QString(u"a\0b"_qs) << Starts{0, 2};
}

void tst_LineWrap::wrapsAtTheWidth()
{
    QFETCH(qreal, limit);
    QFETCH(QString, text);
    QFETCH(Starts, starts);
    Wrapped whole(limit);
    whole.append(text);
    QCOMPARE(whole.starts(), starts);

    Wrapped byCharacter(limit);
    for (const QChar c : text)
        byCharacter.append(QStringView(&c, 1));
    QCOMPARE(byCharacter.starts(), starts);
}

void tst_LineWrap::crLfSplitAcrossAppendsIsOneBreak()
{
    Wrapped wrapped(1000);
    wrapped.append(u"a\r");
    QCOMPARE(wrapped.starts(), (Starts{0, 2}));
    wrapped.append(u"\nb");
    QCOMPARE(wrapped.starts(), (Starts{0, 3}));
    wrapped.append(u"\r");
    wrapped.append(u"\r");
    wrapped.append(u"\n");
    QCOMPARE(wrapped.starts(), (Starts{0, 3, 5, 7}));
}

void tst_LineWrap::appendingMatchesWrappingTheWholeText()
{
    QRandomGenerator random(104729); // a fixed start value: the same run every time
    for (const qreal limit : {1.5, 7.0, 12.5, 40.0}) {
        Wrapped wrapped(limit);
        for (int step = 0; step < 200; ++step) {
            wrapped.append(randomText(random, random.bounded(1, 30)));
            QCOMPARE(wrapped.starts(), wrapped.freshStarts());
        }
    }
}

void tst_LineWrap::editingMatchesWrappingTheWholeText()
{
    QRandomGenerator random(15485863); // a fixed start value: the same run every time
    for (const qreal limit : {1.5, 7.0, 12.5, 40.0}) {
        Wrapped wrapped(limit);
        wrapped.append(randomText(random, 600));
        for (int step = 0; step < 300; ++step) {
            const qint64 size = wrapped.text.size();
            const qint64 at = random.bounded(int(size) + 1);
            const qint64 removed = random.bounded(int(std::min<qint64>(size - at, 12)) + 1);
            const QString added = random.bounded(3) == 0 ? QString() : randomText(random, 6);
            wrapped.replace(at, removed, added);
            QCOMPARE(wrapped.starts(), wrapped.freshStarts());
            // Appending after an edit goes on from where the edit left off.
            if (step % 10 == 0) {
                wrapped.append(randomText(random, 5));
                QCOMPARE(wrapped.starts(), wrapped.freshStarts());
            }
        }
    }
}

void tst_LineWrap::appendingToALongLineLooksOnlyAtTheNewText()
{
    Wrapped wrapped(60);
    const QString hex = u"0A 1B 2C 3D "_qs.repeated(100);
    for (int i = 0; i < 1000; ++i)
        wrapped.append(hex); // 1.2 million characters on one unbroken line
    const qint64 before = wrapped.lines.scannedCharacters();
    wrapped.append(u"4E 5F "_qs);
    QCOMPARE(wrapped.lines.scannedCharacters() - before, 6);
    QCOMPARE(wrapped.lines.count(), 1200006 / 60 + 1);
}

void tst_LineWrap::editingLooksOnlyNearTheEdit()
{
    // Lines of text: only the edited one is wrapped again.
    Wrapped lines(60);
    lines.append((QString(150, u'x') + u"\r\n"_qs).repeated(2000));
    qint64 before = lines.lines.scannedCharacters();
    lines.replace(152 * 1000 + 70, 0, u"yy");
    QVERIFY2(lines.lines.scannedCharacters() - before < 200,
             "an edit wrapped far more than its own line");
    QCOMPARE(lines.starts(), lines.freshStarts());

    // One long line: nothing before the edit is wrapped again (what follows
    // it moves along, so it is).
    Wrapped longLine(60);
    longLine.append(QString(200000, u'x'));
    before = longLine.lines.scannedCharacters();
    longLine.replace(199950, 0, u"yy");
    QVERIFY2(longLine.lines.scannedCharacters() - before < 200,
             "an edit wrapped the long line from its start");
    QCOMPARE(longLine.starts(), longLine.freshStarts());
}

void tst_LineWrap::newWidthWrapsEverythingAgain()
{
    Wrapped wrapped(10);
    wrapped.append(QString(95, u'x') + u"\r\n"_qs + QString(30, u'y'));
    QCOMPARE(wrapped.lines.count(), 10 + 3);
    wrapped.rewrapAt(30);
    QCOMPARE(wrapped.starts(), (Starts{0, 30, 60, 90, 97}));
    // Appending goes on at the new width.
    wrapped.append(u"z");
    QCOMPARE(wrapped.starts(), (Starts{0, 30, 60, 90, 97, 127}));
}

void tst_LineWrap::newWidthWrapsAgainInPortions_data()
{
    QTest::addColumn<QString>("text");
    QRandomGenerator random(32452843); // a fixed start value: the same run every time
    QTest::newRow("lines of text") << randomText(random, 5000);
    QTest::newRow("one long line of hex") << u"0A 1B 2C 3D "_qs.repeated(500);
    QTest::newRow("one long word") << QString(5000, u'x');
}

void tst_LineWrap::newWidthWrapsAgainInPortions()
{
    QFETCH(QString, text);
    QRandomGenerator random(49979687); // a fixed start value: the same run every time
    Wrapped wrapped(7);
    wrapped.append(text);
    wrapped.lines.beginRewrap(13);
    int portions = 0;
    while (wrapped.lines.continueRewrap(wrapped.text, 300)) {
        ++portions;
        // Meanwhile the lines stay in order and cover the text.
        const Starts starts = wrapped.starts();
        QCOMPARE(starts.front(), 0);
        QVERIFY(std::adjacent_find(starts.begin(), starts.end(), std::greater_equal<qint64>()) ==
                starts.end());
        QVERIFY(starts.back() <= wrapped.text.size());
        if (portions % 3 == 0)
            wrapped.append(randomText(random, 40)); // the text grows meanwhile
    }
    QVERIFY(portions > 5);
    QVERIFY(!wrapped.lines.continueRewrap(wrapped.text, 1)); // nothing is left to wrap
    QCOMPARE(wrapped.starts(), wrapped.freshStarts());
    wrapped.append(randomText(random, 40));
    QCOMPARE(wrapped.starts(), wrapped.freshStarts());
}

void tst_LineWrap::editWhileWrappingAgain()
{
    QRandomGenerator random(86028121); // a fixed start value: the same run every time
    Wrapped wrapped(7);
    wrapped.append(randomText(random, 3000));
    wrapped.lines.beginRewrap(11);
    wrapped.lines.continueRewrap(wrapped.text, 500);
    wrapped.replace(1200, 5, u"edit\r\n"_qs);
    QVERIFY(!wrapped.lines.continueRewrap(wrapped.text, 1)); // the edit wrapped it all
    QCOMPARE(wrapped.starts(), wrapped.freshStarts());

    wrapped.lines.beginRewrap(5);
    wrapped.lines.continueRewrap(wrapped.text, 500);
    wrapped.text.clear();
    wrapped.lines.clear();
    // A portion after the clear must not bring back the old text's lines.
    QVERIFY(!wrapped.lines.continueRewrap(wrapped.text, 1));
    QCOMPARE(wrapped.starts(), (Starts{0}));
}

void tst_LineWrap::measuresEachCharacterOnce()
{
    int measured = 0;
    GlyphAdvances advances([&measured](QStringView) {
        ++measured;
        return 3.0;
    });
    for (int round = 0; round < 3; ++round) {
        QCOMPARE(advances.of(u'a'), 3.0f);
        QCOMPARE(advances.ofPair(0xD83D, 0xDE00), 3.0f);
    }
    QCOMPARE(measured, 2);
    QCOMPARE(advances.of(u'\n'), 0.0f); // line breaks take no room and are not measured
    QCOMPARE(measured, 2);
    // The ideographs share one advance: one of them is measured for all.
    for (const char16_t ideograph : {u'中', u'一', u'龥'})
        QCOMPARE(advances.of(ideograph), 3.0f);
    QCOMPARE(measured, 3);
}

void tst_LineWrap::controlCharactersShowAsSymbols()
{
    QCOMPARE(linewrap::shownChar(0x00), char16_t(0x2400));
    QCOMPARE(linewrap::shownChar(0x09), char16_t(0x2409));
    QCOMPARE(linewrap::shownChar(0x1F), char16_t(0x241F));
    QCOMPARE(linewrap::shownChar(0x7F), char16_t(0x2421));
    QCOMPARE(linewrap::shownChar(u'A'), char16_t(u'A'));
    QCOMPARE(linewrap::shownChar(0x554A), char16_t(0x554A));
}

QTEST_APPLESS_MAIN(tst_LineWrap)
#include "tst_linewrap.moc"

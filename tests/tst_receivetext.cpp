#include "receive/receivetext.h"

#include <QTest>

// The receive box's text, lines, caret and edits, without a widget.
class tst_ReceiveText : public QObject
{
    Q_OBJECT

private slots:
    void holdsTheTextAsReceived();
    void showsLines_data();
    void showsLines();
    void caretStops_data();
    void caretStops();
    void words_data();
    void words();
    void appendingLeavesTheCaretAlone();
    void editsReplaceTheSelection();
    void pasteTypesLineBreaksAsCrLf_data();
    void pasteTypesLineBreaksAsCrLf();
    void columnsFollowTheWidths();
};

namespace {

// Every character one unit wide, surrogate pairs two.
qreal unitWidths(QStringView shown)
{
    return shown.size();
}

} // namespace

void tst_ReceiveText::holdsTheTextAsReceived()
{
    ReceiveText text;
    QCOMPARE(text.size(), 0);
    QCOMPARE(text.lineCount(), 1);
    text.append(u"ab\r\n");
    text.append(u"c");
    QCOMPARE(text.text(), u"ab\r\nc"_qs);
    QCOMPARE(text.size(), 5); // a CR LF counts two
    QCOMPARE(text.lineCount(), 2);
    text.append(QStringView());
    QCOMPARE(text.size(), 5);
    text.setSelStart(-5); // the caret stays on the text
    QCOMPARE(text.selStart(), 0);
    text.setSelStart(100);
    QCOMPARE(text.selStart(), 5);

    text.moveCaretToEnd();
    text.clear();
    QCOMPARE(text.text(), QString());
    QCOMPARE(text.size(), 0);
    QCOMPARE(text.lineCount(), 1);
    QCOMPARE(text.selStart(), 0);
    text.append(u"again");
    QCOMPARE(text.text(), u"again"_qs);
}

void tst_ReceiveText::showsLines_data()
{
    QTest::addColumn<QString>("received");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("breaks and control characters")
        << QString(u"a\r\nb\nc\rd\0e\tf"_qs)
        << QStringList{u"a"_qs, u"b"_qs, u"c"_qs, u"d\u2400e\u2409f"_qs};
    QTest::newRow("CR then CR LF") << u"a\r\r\nb"_qs << QStringList{u"a"_qs, QString(), u"b"_qs};
    QTest::newRow("markup as it is") << u"<b>bold</b> &amp; <a href='x'>&C</a>"_qs
                                     << QStringList{u"<b>bold</b> &amp; <a href='x'>&C</a>"_qs};
}

void tst_ReceiveText::showsLines()
{
    QFETCH(QString, received);
    QFETCH(QStringList, lines);
    ReceiveText text;
    text.append(received);
    QCOMPARE(text.text(), received);
    QCOMPARE(text.size(), received.size());
    QStringList shown;
    for (qsizetype line = 0; line < text.lineCount(); ++line)
        shown.append(text.shownLine(line));
    QCOMPARE(shown, lines);
    QCOMPARE(text.shownLine(text.lineCount()), QString());
}

void tst_ReceiveText::caretStops_data()
{
    QTest::addColumn<QString>("received");
    QTest::addColumn<qint64>("position");
    QTest::addColumn<qint64>("next");
    QTest::addColumn<qint64>("previous");
    QTest::addColumn<qint64>("placed"); // where setSelStart puts the caret

    const QString crLf = u"ab\r\ncd"_qs;
    QTest::newRow("before a CR LF") << crLf << 2ll << 4ll << 1ll << 2ll;
    QTest::newRow("inside a CR LF") << crLf << 3ll << 4ll << 2ll << 4ll;
    QTest::newRow("after a CR LF") << crLf << 4ll << 5ll << 2ll << 4ll;
    QTest::newRow("LF then CR are two") << u"a\n\rb"_qs << 2ll << 3ll << 1ll << 2ll;
    const QString pair = u"a😀b"_qs;
    QTest::newRow("before a surrogate pair") << pair << 1ll << 3ll << 0ll << 1ll;
    QTest::newRow("inside a surrogate pair") << pair << 2ll << 3ll << 1ll << 3ll;
}

void tst_ReceiveText::caretStops()
{
    QFETCH(QString, received);
    QFETCH(qint64, position);
    ReceiveText text;
    text.append(received);
    QTEST(text.nextCaretStop(position), "next");
    QTEST(text.previousCaretStop(position), "previous");
    text.setSelStart(position);
    QTEST(text.selStart(), "placed");
    QCOMPARE(text.selLength(), 0);
}

void tst_ReceiveText::words_data()
{
    QTest::addColumn<QString>("received");
    QTest::addColumn<qint64>("position");
    QTest::addColumn<qint64>("nextStart");
    QTest::addColumn<qint64>("previousStart");
    QTest::addColumn<QString>("word");

    const QString line = u"hello  world\tend"_qs;
    QTest::newRow("inside a word") << line << 2ll << 7ll << 0ll << u"hello"_qs;
    QTest::newRow("on a blank") << line << 6ll << 7ll << 0ll << QString();
    QTest::newRow("before a tab") << line << 12ll << 13ll << 7ll << u"world"_qs;
    QTest::newRow("at the end") << line << 16ll << 16ll << 13ll << u"end"_qs;
    QTest::newRow("line breaks part words") << u"0A\r\n1B"_qs << 1ll << 4ll << 0ll << u"0A"_qs;
}

void tst_ReceiveText::words()
{
    QFETCH(QString, received);
    QFETCH(qint64, position);
    ReceiveText text;
    text.append(received);
    QTEST(text.nextWordStart(position), "nextStart");
    QTEST(text.previousWordStart(position), "previousStart");
    text.selectWordAt(position);
    QTEST(text.selectedText(), "word");
}

void tst_ReceiveText::appendingLeavesTheCaretAlone()
{
    ReceiveText text;
    text.append(u"abcdef");
    text.setSelStart(2);
    text.moveCaret(text.nextCaretStop(text.caret()), ReceiveText::Move::Extend);
    text.append(u"ghi");
    QCOMPARE(text.selStart(), 2);
    QCOMPARE(text.selectedText(), u"c"_qs);
}

void tst_ReceiveText::editsReplaceTheSelection()
{
    ReceiveText text;
    text.append(u"ab\r\ncd😀e");
    text.setSelStart(1);
    text.moveCaret(5, ReceiveText::Move::Extend);
    text.replaceSelection(u"XY");
    QCOMPARE(text.text(), u"aXYd😀e"_qs);
    QCOMPARE(text.lineCount(), 1);
    QCOMPARE(text.caret(), 3);
    QCOMPARE(text.selLength(), 0);

    text.replaceSelection(u"\r\n");
    QCOMPARE(text.lineCount(), 2);
    text.deleteBackward(); // the line break goes whole
    QCOMPARE(text.text(), u"aXYd😀e"_qs);
    QCOMPARE(text.lineCount(), 1);

    text.setSelStart(4);
    text.deleteForward(); // so does a surrogate pair
    QCOMPARE(text.text(), u"aXYde"_qs);
    text.deleteBackward();
    QCOMPARE(text.text(), u"aXYe"_qs);
    QCOMPARE(text.caret(), 3);

    // With a selection, either deletes just the selection.
    text.selectAll();
    text.deleteForward();
    QCOMPARE(text.text(), QString());
    text.deleteBackward(); // nothing before the start
    QCOMPARE(text.caret(), 0);
}

void tst_ReceiveText::pasteTypesLineBreaksAsCrLf_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("result");

    QTest::newRow("LF") << u"p\nq"_qs << u"[p\r\nq]"_qs;
    QTest::newRow("CR") << u"p\rq"_qs << u"[p\r\nq]"_qs;
    QTest::newRow("CR LF stays one") << u"p\r\nq"_qs << u"[p\r\nq]"_qs;
    QTest::newRow("LF CR is two") << u"\n\r"_qs << u"[\r\n\r\n]"_qs;
    QTest::newRow("CR CR LF is two") << u"\r\r\n"_qs << u"[\r\n\r\n]"_qs;
    QTest::newRow("other controls as they are") << QString(u"\t\0"_qs) << QString(u"[\t\0]"_qs);
}

void tst_ReceiveText::pasteTypesLineBreaksAsCrLf()
{
    QFETCH(QString, pasted);
    ReceiveText text;
    text.append(u"[sel]");
    text.setSelStart(1);
    text.moveCaret(4, ReceiveText::Move::Extend);
    text.paste(pasted);
    QTEST(text.text(), "result");
    QCOMPARE(text.caret(), text.size() - 1);
}

void tst_ReceiveText::columnsFollowTheWidths()
{
    ReceiveText text;
    text.setMeasure(unitWidths);
    text.append(u"a😀bcdef\r\nab\r\nabcdefgh");
    QCOMPARE(text.xInLine(0, 3), 3.0);   // the pair is two wide
    QCOMPARE(text.xInLine(0, 100), 8.0); // no further than the line's end
    QCOMPARE(text.positionInLine(0, 1.4), 1);
    QCOMPARE(text.positionInLine(0, 2.6), 3); // never inside the pair
    QCOMPARE(text.positionInLine(0, 50), 8);

    // Up and down keep the column a run of such moves began in, past a
    // shorter line.
    text.setSelStart(6);
    text.moveCaretByLines(1, ReceiveText::Move::Stay);
    QCOMPARE(text.caret(), 12); // the end of "ab"
    text.moveCaretByLines(1, ReceiveText::Move::Extend);
    QCOMPARE(text.caret(), 20);
    QCOMPARE(text.anchor(), 12);
    text.moveCaretByLines(-5, ReceiveText::Move::Stay); // clamped to the first line
    QCOMPARE(text.caret(), 6);
}

QTEST_APPLESS_MAIN(tst_ReceiveText)
#include "tst_receivetext.moc"

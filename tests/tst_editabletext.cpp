#include "textbox/editabletext.h"

#include <QTest>

// A text box's text, lines, caret, edits and undo history, without a widget.
class tst_EditableText : public QObject
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
    void inputMethodCommits_data();
    void inputMethodCommits();
    void columnsFollowTheWidths();
    void undoTakesBackAStepAtATime();
};

namespace {

// Every character one unit wide, surrogate pairs two.
qreal unitWidths(QStringView shown)
{
    return shown.size();
}

} // namespace

void tst_EditableText::holdsTheTextAsReceived()
{
    EditableText text;
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

void tst_EditableText::showsLines_data()
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

void tst_EditableText::showsLines()
{
    QFETCH(QString, received);
    QFETCH(QStringList, lines);
    EditableText text;
    text.append(received);
    QCOMPARE(text.text(), received);
    QCOMPARE(text.size(), received.size());
    QStringList shown;
    for (qsizetype line = 0; line < text.lineCount(); ++line)
        shown.append(text.shownLine(line));
    QCOMPARE(shown, lines);
    QCOMPARE(text.shownLine(text.lineCount()), QString());
}

void tst_EditableText::caretStops_data()
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
    QTest::newRow("inside a surrogate pair") << u"a😀b"_qs << 2ll << 3ll << 1ll << 3ll;
    const QString accented = u"ae\u0301b"_qs;
    QTest::newRow("before a letter and its accent") << accented << 1ll << 3ll << 0ll << 1ll;
    QTest::newRow("between a letter and its accent") << accented << 2ll << 3ll << 1ll << 3ll;
    // A family: three people joined by two zero-width joiners, eight code units.
    const QString family = u"x\U0001F468\u200D\U0001F469\u200D\U0001F467y"_qs;
    QTest::newRow("before an emoji sequence") << family << 1ll << 9ll << 0ll << 1ll;
    QTest::newRow("inside an emoji sequence") << family << 4ll << 9ll << 1ll << 9ll;
    QTest::newRow("after an emoji sequence") << family << 9ll << 10ll << 1ll << 9ll;
}

void tst_EditableText::caretStops()
{
    QFETCH(QString, received);
    QFETCH(qint64, position);
    EditableText text;
    text.append(received);
    QTEST(text.nextCaretStop(position), "next");
    QTEST(text.previousCaretStop(position), "previous");
    text.setSelStart(position);
    QTEST(text.selStart(), "placed");
    QCOMPARE(text.selLength(), 0);
    // Backspace takes what a move passes over.
    const qint64 placed = text.caret();
    const qint64 previous = text.previousCaretStop(placed);
    text.deleteBackward();
    QCOMPARE(text.text(), received.left(previous) + received.mid(placed));
}

void tst_EditableText::words_data()
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
    const QString dotted = u"beta.gamma"_qs;
    QTest::newRow("punctuation parts words") << dotted << 1ll << 4ll << 0ll << u"beta"_qs;
    QTest::newRow("after the punctuation") << dotted << 5ll << 10ll << 4ll << u"gamma"_qs;
    QTest::newRow("each Chinese character a word")
        << u"中文字 abc"_qs << 1ll << 2ll << 0ll << u"文"_qs;
    // Within a few hundred characters either side, however long the run.
    QTest::newRow("a long unbroken run")
        << QString(100'000, u'x') << 50'000ll << 50'256ll << 49'744ll << QString(512, u'x');
}

void tst_EditableText::words()
{
    QFETCH(QString, received);
    QFETCH(qint64, position);
    EditableText text;
    text.append(received);
    QTEST(text.nextWordStart(position), "nextStart");
    QTEST(text.previousWordStart(position), "previousStart");
    text.selectWordAt(position);
    QTEST(text.selectedText(), "word");
}

void tst_EditableText::appendingLeavesTheCaretAlone()
{
    EditableText text;
    text.append(u"abcdef");
    text.setSelStart(2);
    text.moveCaret(text.nextCaretStop(text.caret()), EditableText::Move::Extend);
    text.append(u"ghi");
    QCOMPARE(text.selStart(), 2);
    QCOMPARE(text.selectedText(), u"c"_qs);
}

void tst_EditableText::editsReplaceTheSelection()
{
    EditableText text;
    text.append(u"ab\r\ncd😀e");
    text.setSelStart(1);
    text.moveCaret(5, EditableText::Move::Extend);
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

    // With a selection, either deletes just the selection.
    text.selectAll();
    text.deleteForward();
    QCOMPARE(text.text(), QString());
    text.deleteBackward(); // nothing before the start
    QCOMPARE(text.caret(), 0);
}

void tst_EditableText::pasteTypesLineBreaksAsCrLf_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("result");

    QTest::newRow("LF") << u"p\nq"_qs << u"[p\r\nq]"_qs;
    QTest::newRow("CR") << u"p\rq"_qs << u"[p\r\nq]"_qs;
    QTest::newRow("CR LF stays one") << u"p\r\nq"_qs << u"[p\r\nq]"_qs;
    QTest::newRow("LF CR is two") << u"\n\r"_qs << u"[\r\n\r\n]"_qs;
    QTest::newRow("CR CR LF is two") << u"\r\r\n"_qs << u"[\r\n\r\n]"_qs;
    QTest::newRow("other controls as they are") << QString(u"\t\0"_qs) << QString(u"[\t\0]"_qs);
    // The box breaks lines at CR and LF only: a separator is made the line
    // break it means, so that what goes out is the CR LF seen.
    QTest::newRow("line separator") << u"p\u2028q"_qs << u"[p\r\nq]"_qs;
    QTest::newRow("paragraph separator") << u"p\u2029\nq"_qs << u"[p\r\n\r\nq]"_qs;
}

void tst_EditableText::pasteTypesLineBreaksAsCrLf()
{
    QFETCH(QString, pasted);
    EditableText text;
    text.append(u"[sel]");
    text.setSelStart(1);
    text.moveCaret(4, EditableText::Move::Extend);
    text.paste(pasted);
    QTEST(text.text(), "result");
    QCOMPARE(text.caret(), text.size() - 1);
}

void tst_EditableText::inputMethodCommits_data()
{
    QTest::addColumn<qint64>("anchor");
    QTest::addColumn<qint64>("caret");
    QTest::addColumn<QString>("committed");
    QTest::addColumn<qint64>("replacementStart");
    QTest::addColumn<qint64>("replacementLength");
    QTest::addColumn<QString>("result");
    QTest::addColumn<qint64>("caretAfter");

    // On "abcd", as QPlainTextEdit takes the same events.
    QTest::newRow("at the caret") << 1ll << 1ll << u"中文"_qs << 0ll << 0ll << u"a中文bcd"_qs
                                  << 3ll;
    QTest::newRow("in place of the character before")
        << 3ll << 3ll << u"X"_qs << -1ll << 1ll << u"abXd"_qs << 3ll;
    QTest::newRow("in place of the character after")
        << 1ll << 1ll << u"X"_qs << 0ll << 1ll << u"aXcd"_qs << 2ll;
    QTest::newRow("wholly before the caret")
        << 3ll << 3ll << u"XY"_qs << -3ll << 1ll << u"XYbcd"_qs << 4ll;
    QTest::newRow("wholly after the caret")
        << 1ll << 1ll << u"X"_qs << 1ll << 1ll << u"abXd"_qs << 1ll;
    QTest::newRow("removing only") << 4ll << 4ll << QString() << -2ll << 2ll << u"ab"_qs << 2ll;
    QTest::newRow("over a selection") << 1ll << 3ll << u"X"_qs << 0ll << 0ll << u"aXd"_qs << 2ll;
    QTest::newRow("past the start") << 1ll << 1ll << u"X"_qs << -5ll << 5ll << u"Xbcd"_qs << 1ll;
    QTest::newRow("a line break") << 4ll << 4ll << u"\n"_qs << 0ll << 0ll << u"abcd\r\n"_qs << 6ll;
    QTest::newRow("nothing") << 2ll << 2ll << QString() << 0ll << 0ll << u"abcd"_qs << 2ll;
}

void tst_EditableText::inputMethodCommits()
{
    QFETCH(qint64, anchor);
    QFETCH(qint64, caret);
    QFETCH(QString, committed);
    QFETCH(qint64, replacementStart);
    QFETCH(qint64, replacementLength);
    EditableText text;
    text.setUndoEnabled(true);
    text.append(u"abcd");
    text.moveCaret(anchor, EditableText::Move::Stay);
    text.moveCaret(caret, EditableText::Move::Extend);
    text.commitInput(committed, replacementStart, replacementLength);
    QTEST(text.text(), "result");
    QTEST(text.caret(), "caretAfter");
    QCOMPARE(text.selLength(), 0);
    while (text.canUndo())
        text.undo();
    QCOMPARE(text.text(), u"abcd"_qs);
}

void tst_EditableText::columnsFollowTheWidths()
{
    EditableText text;
    text.setMeasure(unitWidths);
    text.append(u"a😀bcdef\r\nab\r\nabcdefgh");
    QCOMPARE(text.xInLine(0, 3), 3.0);   // the pair is two wide
    QCOMPARE(text.xInLine(0, 100), 8.0); // no further than the line's end
    QCOMPARE(text.positionInLine(0, 1.4), 1);
    QCOMPARE(text.positionInLine(0, 2.6), 3); // never inside the pair
    QCOMPARE(text.positionInLine(0, 50), 8);
    EditableText accented;
    accented.setMeasure(unitWidths);
    accented.append(u"ae\u0301b");
    QCOMPARE(accented.positionInLine(0, 2.2), 3); // never between a letter and its accent

    // Up and down keep the column a run of such moves began in, past a
    // shorter line.
    text.setSelStart(6);
    text.moveCaretByLines(1, EditableText::Move::Stay);
    QCOMPARE(text.caret(), 12); // the end of "ab"
    text.moveCaretByLines(1, EditableText::Move::Extend);
    QCOMPARE(text.caret(), 20);
    QCOMPARE(text.anchor(), 12);
    text.moveCaretByLines(-5, EditableText::Move::Stay); // clamped to the first line
    QCOMPARE(text.caret(), 6);
}

void tst_EditableText::undoTakesBackAStepAtATime()
{
    EditableText text;
    text.setUndoEnabled(true);
    for (const QChar c : u"ab cd"_qs) // typing goes by words
        text.type(QStringView(&c, 1));
    text.paste(u"!\n");
    QCOMPARE(text.text(), u"ab cd!\r\n"_qs);
    text.undo();
    QCOMPARE(text.text(), u"ab cd"_qs);
    text.undo();
    QCOMPARE(text.text(), u"ab"_qs);
    text.redo();
    QCOMPARE(text.text(), u"ab cd"_qs);
    QCOMPARE(text.caret(), 5);

    // Undone, an edit of a selection selects it again; a new edit drops
    // what was undone.
    text.setSelStart(1);
    text.moveCaret(4, EditableText::Move::Extend);
    text.deleteForward();
    QCOMPARE(text.text(), u"ad"_qs);
    text.undo();
    QCOMPARE(text.text(), u"ab cd"_qs);
    QCOMPARE(text.selectedText(), u"b c"_qs);
    text.type(u"X");
    QCOMPARE(text.text(), u"aXd"_qs);
    QVERIFY(!text.canRedo());
    text.undo();
    text.undo();
    text.undo();
    QCOMPARE(text.text(), QString());
    QVERIFY(!text.canUndo());

    // Appending is no edit, and a new text forgets the history.
    text.redo();
    text.append(u"+");
    text.setText(u"new\rtext");
    QCOMPARE(text.text(), u"new\r\ntext"_qs);
    QVERIFY(!text.canUndo() && !text.canRedo());
    text.setUndoEnabled(false);
    text.type(u"z");
    QVERIFY(!text.canUndo());
}

QTEST_APPLESS_MAIN(tst_EditableText)
#include "tst_editabletext.moc"

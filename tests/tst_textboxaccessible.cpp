#include "receive/receiveview.h"
#include "send/sendbox.h"
#include "textbox/textboxaccessible.h"

#include <QAccessible>
#include <QScrollBar>
#include <QTest>

#include <memory>

// The two boxes as screen readers see them: what they are, how they read by
// character, word and line, where characters lie, what the boxes tell as
// they change, and that they tell nothing while none listens.
class tst_TextBoxAccessible : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void bothBoxesAreEditableText();
    void readsByCharacterWordAndLine_data();
    void readsByCharacterWordAndLine();
    void aWordIsLookedForNearItsOffset();
    void movesAndEditsAsTheKeyboardWould();
    void tellsOfChanges_data();
    void tellsOfChanges();
    void tellsNothingWhileNoneListens();
};

namespace {

// The text events told, written out: "insert 2 x", "remove 0 abc",
// "update 0 ab>new", "caret 3", "selection 0-1".
QStringList told;

void recordEvent(QAccessibleEvent *event)
{
    if (auto *inserted = dynamic_cast<QAccessibleTextInsertEvent *>(event))
        told << QStringLiteral("insert %1 %2")
                    .arg(inserted->changePosition())
                    .arg(inserted->textInserted());
    else if (auto *removed = dynamic_cast<QAccessibleTextRemoveEvent *>(event))
        told << QStringLiteral("remove %1 %2")
                    .arg(removed->changePosition())
                    .arg(removed->textRemoved());
    else if (auto *updated = dynamic_cast<QAccessibleTextUpdateEvent *>(event))
        told << QStringLiteral("update %1 %2>%3")
                    .arg(updated->changePosition())
                    .arg(updated->textRemoved(), updated->textInserted());
    else if (auto *selection = dynamic_cast<QAccessibleTextSelectionEvent *>(event))
        told << QStringLiteral("selection %1-%2")
                    .arg(selection->selectionStart())
                    .arg(selection->selectionEnd());
    else if (auto *caret = dynamic_cast<QAccessibleTextCursorEvent *>(event))
        told << QStringLiteral("caret %1").arg(caret->cursorPosition());
}

std::unique_ptr<TextBox> shownBox(bool receive, const QString &text)
{
    std::unique_ptr<TextBox> box;
    if (receive)
        box = std::make_unique<ReceiveView>();
    else
        box = std::make_unique<SendBox>();
    box->resize(240, 160);
    box->show();
    box->activateWindow();
    box->setFocus();
    box->setText(text); // brought up to date at once
    return box;
}

QAccessibleInterface *accessibleOf(TextBox &box)
{
    return QAccessible::queryAccessibleInterface(&box);
}

} // namespace

void tst_TextBoxAccessible::init()
{
    TextBoxChangeReport::redirectForTests(recordEvent, true);
    told.clear();
}

void tst_TextBoxAccessible::bothBoxesAreEditableText()
{
    const QString text = u"ab\r\n中文"_qs;
    for (bool receive : {true, false}) {
        const auto box = shownBox(receive, text);
        QAccessibleInterface *accessible = accessibleOf(*box);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::EditableText);
        const QAccessible::State state = accessible->state();
        // The receive box takes typing as the send box does.
        QVERIFY(state.editable && state.multiLine && state.selectableText && state.focusable);
        QVERIFY(!state.readOnly);
        QCOMPARE(accessible->text(QAccessible::Value), text);
        QVERIFY(accessible->editableTextInterface());
        QCOMPARE(accessible->textInterface()->characterCount(), text.size());
        QCOMPARE(accessible->textInterface()->text(1, 5), u"b\r\n中"_qs);
    }
}

void tst_TextBoxAccessible::readsByCharacterWordAndLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("wrapped"); // the box just too narrow for the text
    QTest::addColumn<int>("offset");
    QTest::addColumn<QAccessible::TextBoundaryType>("boundary");
    QTest::addColumn<QString>("at");
    QTest::addColumn<int>("atStart");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");

    const auto Char = QAccessible::CharBoundary;
    const auto Word = QAccessible::WordBoundary;
    const auto Line = QAccessible::LineBoundary;
    const QString hello = u"hello world"_qs;
    const QString chinese = u"接收区，你好"_qs;
    const QString crLf = u"ab\r\ncd"_qs;
    QTest::newRow("character") << hello << false << 4 << Char << "o" << 4 << "l"
                               << " ";
    QTest::newRow("word") << hello << false << 7 << Word << "world" << 6 << " "
                          << "";
    QTest::newRow("blank between words") << hello << false << 5 << Word << " " << 5 << "hello"
                                         << "world";
    QTest::newRow("Chinese character")
        << chinese << false << 1 << Char << u"收"_qs << 1 << u"接"_qs << u"区"_qs;
    QTest::newRow("Chinese word") << chinese << false << 4 << Word << u"你"_qs << 4 << u"，"_qs
                                  << u"好"_qs;
    QTest::newRow("CR LF is one character") << crLf << false << 3 << Char << u"\r\n"_qs << 2 << "b"
                                            << "c";
    QTest::newRow("line with its CR LF") << crLf << false << 1 << Line << u"ab\r\n"_qs << 0 << ""
                                         << "cd";
    QTest::newRow("last line at the end")
        << crLf << false << 6 << Line << "cd" << 4 << u"ab\r\n"_qs << "";
    QTest::newRow("wrapped line") << u"aaaa bbbb"_qs << true << 6 << Line << "bbbb" << 5 << "aaaa "
                                  << "";
    QTest::newRow("sentence as the line")
        << u"One. Two.\r\nThree"_qs << false << 6 << QAccessible::SentenceBoundary
        << u"One. Two.\r\n"_qs << 0 << ""
        << "Three";
    QTest::newRow("whole text") << crLf << false << 2 << QAccessible::NoBoundary << crLf << 0 << ""
                                << "";
}

void tst_TextBoxAccessible::readsByCharacterWordAndLine()
{
    QFETCH(QString, text);
    QFETCH(bool, wrapped);
    QFETCH(int, offset);
    QFETCH(QAccessible::TextBoundaryType, boundary);
    QFETCH(QString, at);
    QFETCH(int, atStart);
    QFETCH(QString, before);
    QFETCH(QString, after);

    const auto box = shownBox(false, text);
    // Narrowed until the text no longer fits on one line.
    for (int width = box->width(); wrapped && box->lineCount() == 1; --width)
        box->resize(width, box->height());
    QAccessibleTextInterface *reading = accessibleOf(*box)->textInterface();

    int start = -2;
    int end = -2;
    QCOMPARE(reading->textAtOffset(offset, boundary, &start, &end), at);
    QCOMPARE(start, atStart);
    QCOMPARE(end, atStart + at.size());
    const int atEnd = end;
    // Nothing before or after: an empty answer at -1.
    QCOMPARE(reading->textBeforeOffset(offset, boundary, &start, &end), before);
    QCOMPARE(end, before.isEmpty() ? -1 : atStart);
    QCOMPARE(start, before.isEmpty() ? -1 : atStart - before.size());
    QCOMPARE(reading->textAfterOffset(offset, boundary, &start, &end), after);
    QCOMPARE(start, after.isEmpty() ? -1 : atEnd);
    QCOMPARE(end, after.isEmpty() ? -1 : atEnd + after.size());

    // The first character of the answer lies in the box, and is found there.
    const QRect drawn = reading->characterRect(atStart);
    QVERIFY(!drawn.isEmpty());
    const QRect boxOnScreen(box->mapToGlobal(QPoint(0, 0)), box->size());
    QVERIFY2(boxOnScreen.contains(drawn), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                         .arg(drawn.x())
                                                         .arg(drawn.y())
                                                         .arg(drawn.width())
                                                         .arg(drawn.height())));
    QCOMPARE(reading->offsetAtPoint(drawn.center()), atStart);
}

void tst_TextBoxAccessible::aWordIsLookedForNearItsOffset()
{
    // A run without a break far longer than any word, far out of view: the
    // answer is a piece around the offset, not the run.
    const qsizetype length = 1 << 22;
    const auto box = shownBox(true, QString(length, u'x'));
    QAccessibleTextInterface *reading = accessibleOf(*box)->textInterface();
    int start = 0;
    int end = 0;
    const QString word = reading->textAtOffset(length / 2, QAccessible::WordBoundary, &start, &end);
    QVERIFY(start <= length / 2 && end > length / 2);
    QVERIFY2(word.size() < 64 * 1024, qPrintable(QString::number(word.size())));
    QVERIFY(reading->textAtOffset(length / 2, QAccessible::LineBoundary, &start, &end).size() <
            1000);
    // Brought into view on request.
    reading->scrollToSubstring(length / 2, length / 2 + 1);
    QVERIFY(QRect(box->mapToGlobal(QPoint(0, 0)), box->size())
                .contains(reading->characterRect(length / 2)));
}

void tst_TextBoxAccessible::movesAndEditsAsTheKeyboardWould()
{
    const auto box = shownBox(false, u"hello world"_qs);
    QAccessibleInterface *accessible = accessibleOf(*box);
    QAccessibleTextInterface *reading = accessible->textInterface();
    QAccessibleEditableTextInterface *editing = accessible->editableTextInterface();

    reading->setSelection(0, 6, 1);
    QCOMPARE(reading->selectionCount(), 1);
    int start = 0;
    int end = 0;
    reading->selection(0, &start, &end);
    QCOMPARE(std::pair(start, end), std::pair(1, 6));
    QCOMPARE(box->selectedText(), u"ello "_qs);
    QCOMPARE(reading->cursorPosition(), 1);
    reading->removeSelection(0);
    QCOMPARE(reading->selectionCount(), 0);
    QCOMPARE(reading->cursorPosition(), 1);

    editing->replaceText(0, 5, u"HELLO"_qs);
    editing->insertText(11, u"\n!"_qs); // a line break as Enter types it
    editing->deleteText(0, 6);
    QCOMPARE(box->text(), u"world\r\n!"_qs);
    // Inside the CR LF the caret goes before it.
    reading->setCursorPosition(6);
    QCOMPARE(reading->cursorPosition(), 5);
    for (int step = 0; step < 3; ++step)
        box->undo();
    QCOMPARE(box->text(), u"hello world"_qs);
}

void tst_TextBoxAccessible::tellsOfChanges_data()
{
    QTest::addColumn<bool>("receive");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("caretAtEnd");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("typed") << false << "ab" << true << "type x"
                           << QStringList{"insert 2 x", "caret 3"};
    QTest::newRow("typed over a selection")
        << false << "abc" << true << "select all, type x"
        << QStringList{"selection 0-3", "update 0 abc>x", "caret 1", "selection 1-1"};
    QTest::newRow("backspace") << false << "ab" << true << "backspace"
                               << QStringList{"remove 1 b", "caret 1"};
    QTest::newRow("selected with a key")
        << false << "abc" << false << "shift right" << QStringList{"caret 1", "selection 0-1"};
    QTest::newRow("text replaced")
        << false << "ab" << false << "set text" << QStringList{"update 0 ab>new"};
    QTest::newRow("received in pieces, told once a frame")
        << true << "" << false << "receive ab, cd" << QStringList{"insert 0 abcd", "caret 4"};
    QTest::newRow("cleared") << true << "abc" << false << "clear" << QStringList{"remove 0 abc"};
    QTest::newRow("received and cleared in one frame, never told")
        << true << "" << false << "receive ab, clear, receive z" << QStringList{"insert 0 z"};
}

void tst_TextBoxAccessible::tellsOfChanges()
{
    QFETCH(bool, receive);
    QFETCH(QString, text);
    QFETCH(bool, caretAtEnd);
    QFETCH(QString, action);
    QFETCH(QStringList, expected);

    const auto box = shownBox(receive, text);
    if (caretAtEnd)
        QTest::keyClick(box.get(), Qt::Key_End, Qt::ControlModifier);
    told.clear();

    if (action == u"type x") {
        QTest::keyClicks(box.get(), "x");
    } else if (action == u"select all, type x") {
        box->selectAll();
        QTest::keyClicks(box.get(), "x");
    } else if (action == u"backspace") {
        QTest::keyClick(box.get(), Qt::Key_Backspace);
    } else if (action == u"shift right") {
        QTest::keyClick(box.get(), Qt::Key_Right, Qt::ShiftModifier);
    } else if (action == u"set text") {
        box->setText(u"new");
    } else if (action == u"receive ab, cd") {
        box->appendText(u"ab");
        box->appendText(u"cd");
        box->moveCaretToEnd();
    } else if (action == u"clear") {
        box->clearText();
    } else if (action == u"receive ab, clear, receive z") {
        box->appendText(u"ab");
        box->clearText();
        box->appendText(u"z");
    } else {
        QFAIL("unknown action");
    }
    QTRY_COMPARE(told, expected);
}

void tst_TextBoxAccessible::tellsNothingWhileNoneListens()
{
    TextBoxChangeReport::redirectForTests(recordEvent, false);
    const auto receiveBox = shownBox(true, u"ab"_qs);
    const auto sendBox = shownBox(false, u"ab"_qs);
    QTest::keyClicks(sendBox.get(), "xy");
    QTest::keyClick(sendBox.get(), Qt::Key_Backspace);
    QTest::keyClick(sendBox.get(), Qt::Key_Left, Qt::ShiftModifier);
    receiveBox->clearText();
    receiveBox->appendText(QString(20, u'\n'));
    receiveBox->moveCaretToEnd();
    // The frame that brings the lines to the screen has come.
    QTRY_VERIFY(receiveBox->verticalScrollBar()->maximum() > 0);
    QCOMPARE(told, QStringList());
}

QTEST_MAIN(tst_TextBoxAccessible)
#include "tst_textboxaccessible.moc"

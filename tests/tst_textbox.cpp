#include "tests/support/textboxprobe.h"
#include "textbox/textbox.h"

#include <QApplication>
#include <QBackingStore>
#include <QClipboard>
#include <QFontMetricsF>
#include <QImage>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextCharFormat>
#include <QtMath>

// The text box as a widget: wrapping at its width, scrolling, keys, the
// mouse and painting. Its text and caret alone are tested in tst_editabletext.
class tst_TextBox : public QObject
{
    Q_OBJECT

private slots:
    void wrapsAtItsWidth();
    void wrapsPieceByPieceAsItWouldWhole();
    void aNewWidthReachesALongTextInTime();
    void followsTheCaretToTheEnd();
    void selectsAndCopiesWithTheKeyboard();
    void takesTypingAndPasting();
    void selectsWithTheMouse();
    void takesWhatTheInputMethodSends_data();
    void takesWhatTheInputMethodSends();
    void answersTheInputMethod_data();
    void answersTheInputMethod();
    void tellsTheInputMethodWhereTheCaretGoes();
    void tabMovesTheFocusOn();
    void anEditInALongUnbrokenRunCostsInProportion();
    void paintsTheSelection();
    void itsScrollBarLooksLikeAnyOther();
    void drawsItsTextAsDrawTextDoes_data();
    void drawsItsTextAsDrawTextDoes();
    void showsWhatAWholeRepaintDraws_data();
    void showsWhatAWholeRepaintDraws();
};

namespace {

// The box with its drop handler in reach: only a drag in progress delivers a
// drop through the application.
struct DropTarget : TextBox
{
    using TextBox::dropEvent;
};

// A view on screen at a fixed size.
struct ShownView
{
    explicit ShownView(QSize size = QSize(240, 160))
    {
        view.resize(size);
        view.show();
        view.activateWindow();
        view.setFocus();
    }
    DropTarget view;
    TextBoxProbe probe{view};
};

qreal widestLine(const ShownView &shown)
{
    QFont font = shown.view.font();
    font.setKerning(false);
    const QFontMetricsF metrics(font);
    qreal widest = 0;
    for (qsizetype line = 0; line < shown.probe.lineCount(); ++line)
        widest = std::max(widest, metrics.horizontalAdvance(shown.probe.shownLine(line).trimmed()));
    return widest;
}

int pixelsOf(const QImage &image, QColor colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == colour;
    return count;
}

// Every selection, however made, becomes the X primary selection, for the
// middle button to paste elsewhere. Offscreen there is none: tst_textbox_x11
// runs the selection tests again under Xvfb.
void verifyPrimarySelection(const TextBox &view)
{
    const QClipboard *clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection())
        QCOMPARE(clipboard->text(QClipboard::Selection), view.selectedText());
}

} // namespace

void tst_TextBox::wrapsAtItsWidth()
{
    ShownView shown;
    TextBox &view = shown.view;
    const TextBoxProbe &probe = shown.probe;
    QVERIFY(view.verticalScrollBar()->isVisible());
    const QString line = QString(3000, u'W');
    view.appendText(line);
    const qsizetype linesWide = probe.lineCount();
    QVERIFY(linesWide > 10);
    QVERIFY(widestLine(shown) <= view.viewport()->width());

    view.resize(120, 160);
    QVERIFY(probe.lineCount() > linesWide);
    QVERIFY(widestLine(shown) <= view.viewport()->width());
    QCOMPARE(view.text(), line);

    // Hex groups are not cut in two.
    view.clearText();
    view.appendHex(QByteArray::fromHex("0A1B2C3D").repeated(200));
    for (qsizetype i = 0; i < probe.lineCount(); ++i)
        QVERIFY2(probe.shownLine(i).size() % 3 == 0, qPrintable(probe.shownLine(i)));
}

void tst_TextBox::wrapsPieceByPieceAsItWouldWhole()
{
    ShownView piecewise;
    ShownView whole;
    QString text;
    for (int i = 0; i < 2000; ++i)
        text += QString::asprintf("%02X ", i % 256) + (i % 97 == 0 ? u"中文\r"_qs : QString());
    for (qsizetype at = 0; at < text.size(); at += 7)
        piecewise.view.appendText(QStringView(text).mid(at, 7));
    whole.view.appendText(text);
    QCOMPARE(piecewise.probe.lineCount(), whole.probe.lineCount());
    for (qsizetype line = 0; line < whole.probe.lineCount(); ++line)
        QCOMPARE(piecewise.probe.shownLine(line), whole.probe.shownLine(line));
}

void tst_TextBox::aNewWidthReachesALongTextInTime()
{
    ShownView wide(QSize(400, 160));
    const TextBoxProbe &wideLines = wide.probe;
    const QByteArray bytes =
        QByteArray::fromHex("0A1B2C3D").repeated(250000); // 3 million characters
    wide.view.appendHex(bytes);
    wide.view.moveCaretToEnd();
    wide.view.resize(200, 160);
    // The rest follows between events; the box stays whole meanwhile, the
    // end in view.
    QVERIFY(!wideLines.isUpToDate());
    QCOMPARE(wide.view.length(), 3 * bytes.size());
    const auto endInView = [](const TextBoxProbe &lines) {
        return lines.firstVisibleLine() + lines.visibleLineCount() == lines.lineCount();
    };
    QVERIFY(endInView(wideLines));

    ShownView narrow(QSize(200, 160));
    const TextBoxProbe &narrowLines = narrow.probe;
    narrow.view.appendHex(bytes);
    QVERIFY(wideLines.waitUntilShown());
    QCOMPARE(wideLines.lineCount(), narrowLines.lineCount());
    QCOMPARE(wideLines.shownLine(wideLines.lineCount() - 1),
             narrowLines.shownLine(narrowLines.lineCount() - 1));
    QVERIFY(endInView(wideLines));
}

void tst_TextBox::followsTheCaretToTheEnd()
{
    ShownView shown;
    TextBox &view = shown.view;
    const TextBoxProbe &probe = shown.probe;
    for (int i = 0; i < 500; ++i)
        view.appendText(u"line of text\r\n");
    view.moveCaretToEnd();
    QCOMPARE(view.selStart(), view.length());
    QCOMPARE(view.selLength(), 0);
    QCOMPARE(probe.firstVisibleLine() + probe.visibleLineCount(), probe.lineCount());
    QScrollBar *bar = view.verticalScrollBar();
    QVERIFY(probe.waitUntilShown());
    QCOMPARE(bar->maximum(), int(probe.lineCount() - probe.visibleLineCount()));
    QCOMPARE(bar->value(), bar->maximum());

    // Scrolling up by hand, then more data and the caret to the end again.
    bar->setValue(0);
    QCOMPARE(probe.firstVisibleLine(), 0);
    view.appendText(u"newest");
    view.moveCaretToEnd();
    QCOMPARE(probe.firstVisibleLine() + probe.visibleLineCount(), probe.lineCount());
    QVERIFY(probe.waitUntilShown());
    QCOMPARE(bar->value(), bar->maximum());
}

void tst_TextBox::selectsAndCopiesWithTheKeyboard()
{
    ShownView shown;
    TextBox &view = shown.view;
    view.appendText(u"ab\r\ncd");
    view.moveCaretToEnd();
    QTest::keyClick(&view, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(&view, Qt::Key_Left, Qt::ShiftModifier); // over the CR LF at once
    QCOMPARE(view.selectedText(), u"\r\ncd"_qs);
    verifyPrimarySelection(view);
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"\r\ncd"_qs);

    QTest::keyClick(&view, Qt::Key_Home);
    QCOMPARE(view.selStart(), 0);
    QCOMPARE(view.selLength(), 0);
    QTest::keyClick(&view, Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(view.selectedText(), u"ab"_qs);
    verifyPrimarySelection(view);
    QTest::keyClick(&view, Qt::Key_Down);
    QCOMPARE(view.selStart(), 6);

    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(view.selStart(), 0);
    QCOMPARE(view.selLength(), view.length());
    verifyPrimarySelection(view);
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), view.text());
}

void tst_TextBox::takesTypingAndPasting()
{
    ShownView shown;
    TextBox &view = shown.view;
    view.appendText(u"abc");
    view.setSelStart(1);
    QTest::keyClicks(&view, u"XY"_qs);
    QCOMPARE(view.text(), u"aXYbc"_qs);
    QCOMPARE(view.selStart(), 3);

    QTest::keyClick(&view, Qt::Key_Return);
    QCOMPARE(view.text(), u"aXY\r\nbc"_qs);
    QCOMPARE(shown.probe.lineCount(), 2);
    QTest::keyClick(&view, Qt::Key_Backspace); // the line break goes whole
    QCOMPARE(view.text(), u"aXYbc"_qs);
    QCOMPARE(shown.probe.lineCount(), 1);

    QGuiApplication::clipboard()->setText(u"p\nq"_qs);
    QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(view.text(), u"aXYp\r\nqbc"_qs);
    QCOMPARE(view.selStart(), 7);

    QTest::keyClick(&view, Qt::Key_Delete);
    QCOMPARE(view.text(), u"aXYp\r\nqc"_qs);

    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&view, u"z"_qs);
    QCOMPARE(view.text(), u"z"_qs);
    QCOMPARE(view.length(), 1);

    // Received data goes on after what was typed.
    view.appendText(u"!");
    QCOMPARE(view.text(), u"z!"_qs);

    // Ctrl+Backspace and Ctrl+Delete take a word.
    view.appendText(u" two words");
    view.moveCaretToEnd();
    QTest::keyClick(&view, Qt::Key_Backspace, Qt::ControlModifier);
    QCOMPARE(view.text(), u"z! two "_qs);
    view.setSelStart(0);
    QTest::keyClick(&view, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(view.text(), u"! two "_qs);

    // Text dropped on the box goes in where it is let go, as if pasted.
    QMimeData dragged;
    dragged.setText(u"ab\ncd"_qs);
    QDropEvent drop(QPointF(1, 5), Qt::CopyAction | Qt::MoveAction, &dragged, Qt::LeftButton,
                    Qt::NoModifier);
    shown.view.dropEvent(&drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(drop.dropAction(), Qt::CopyAction);
    QCOMPARE(view.text(), u"ab\r\ncd! two "_qs);
}

void tst_TextBox::selectsWithTheMouse()
{
    ShownView shown;
    TextBox &view = shown.view;
    view.appendText(u"hello world\r\nsecond line");
    QWidget *area = view.viewport();
    const int lineHeight = QFontMetricsF(view.font()).lineSpacing();
    const QPoint firstLine(2, 4 + lineHeight / 2);
    const QPoint secondLineEnd(area->width() - 2, 4 + lineHeight * 3 / 2);

    QTest::mousePress(area, Qt::LeftButton, {}, firstLine);
    QCOMPARE(view.selStart(), 0);
    QTest::mouseMove(area, secondLineEnd);
    QTest::mouseRelease(area, Qt::LeftButton, {}, secondLineEnd);
    QCOMPARE(view.selectedText(), view.text());
    verifyPrimarySelection(view);

    // A click puts the caret down; shift and click selects up to it.
    QTest::mouseClick(area, Qt::LeftButton, {}, firstLine);
    QCOMPARE(view.selLength(), 0);
    QTest::mouseClick(area, Qt::LeftButton, Qt::ShiftModifier, secondLineEnd);
    QCOMPARE(view.selLength(), view.length());

    const qreal helloWidth = QFontMetricsF(view.font()).horizontalAdvance(u"hello wo"_qs);
    QTest::mouseDClick(area, Qt::LeftButton, {}, QPoint(4 + int(helloWidth), firstLine.y()));
    QCOMPARE(view.selectedText(), u"world"_qs);
    verifyPrimarySelection(view);

    // A triple click selects the line as its line breaks end it, however it
    // is wrapped.
    const QString wrapped = u"hello world "_qs.repeated(8);
    view.setText(wrapped + u"\r\nsecond line"_qs);
    QVERIFY(TextBoxProbe(view).lineCount() > 2);
    const QPoint onSecondRow(4 + int(helloWidth), firstLine.y() + lineHeight);
    QTest::mouseDClick(area, Qt::LeftButton, {}, onSecondRow);
    QTest::mouseClick(area, Qt::LeftButton, {}, onSecondRow);
    QCOMPARE(view.selectedText(), wrapped + u"\r\n"_qs);
    verifyPrimarySelection(view);
}

using InputMethodAttributes = QList<QInputMethodEvent::Attribute>;

void tst_TextBox::takesWhatTheInputMethodSends_data()
{
    QTest::addColumn<QString>("committed");
    QTest::addColumn<int>("replacementStart");
    QTest::addColumn<int>("replacementLength");
    QTest::addColumn<QString>("composing");
    QTest::addColumn<InputMethodAttributes>("attributes");
    QTest::addColumn<QString>("result");
    QTest::addColumn<qint64>("selStart");
    QTest::addColumn<qint64>("selLength");
    QTest::addColumn<int>("composingCaret"); // characters into the composition
    QTest::addColumn<QColor>("shownColour"); // drawn somewhere, if valid

    // On "first", a line break and "hello worl", the caret at the end.
    QTest::newRow("a commit in place of the character before the caret")
        << u"d"_qs << -1 << 1 << QString() << InputMethodAttributes() << u"first\r\nhello word"_qs
        << 17ll << 0ll << 0 << QColor();
    QTest::newRow("a composition is no text yet")
        << QString() << 0 << 0 << u"zhong"_qs << InputMethodAttributes()
        << u"first\r\nhello worl"_qs << 17ll << 0ll << 5 << QColor();
    QTest::newRow("its caret where the input method puts it")
        << QString() << 0 << 0 << u"zhong"_qs
        << InputMethodAttributes{{QInputMethodEvent::Cursor, 2, 1}} << u"first\r\nhello worl"_qs
        << 17ll << 0ll << 2 << QColor();
    QTextCharFormat highlighted;
    highlighted.setBackground(QColor(255, 0, 255));
    QTest::newRow("its parts in the looks the input method gives")
        << QString() << 0 << 0 << u"zhong"_qs
        << InputMethodAttributes{{QInputMethodEvent::TextFormat, 1, 3, highlighted}}
        << u"first\r\nhello worl"_qs << 17ll << 0ll << 5 << QColor(255, 0, 255);
    QTest::newRow("a selection counted from the caret's line")
        << QString() << 0 << 0 << QString()
        << InputMethodAttributes{{QInputMethodEvent::Selection, 6, 4, {}}}
        << u"first\r\nhello worl"_qs << 13ll << 4ll << 0 << QColor();
    QTest::newRow("a commit, and a new composition after it")
        << u"中"_qs << 0 << 0 << u"wen"_qs << InputMethodAttributes() << u"first\r\nhello worl中"_qs
        << 18ll << 0ll << 3 << QColor();
}

void tst_TextBox::takesWhatTheInputMethodSends()
{
    QFETCH(QString, committed);
    QFETCH(int, replacementStart);
    QFETCH(int, replacementLength);
    QFETCH(QString, composing);
    QFETCH(InputMethodAttributes, attributes);
    QFETCH(int, composingCaret);
    QFETCH(QColor, shownColour);
    ShownView shown;
    TextBox &view = shown.view;
    view.setText(u"first\r\nhello worl");
    view.moveCaretToEnd();
    const QImage before = view.viewport()->grab().toImage();

    QInputMethodEvent event(composing, attributes);
    event.setCommitString(committed, replacementStart, replacementLength);
    QApplication::sendEvent(&view, &event);
    QTEST(view.text(), "result");
    QTEST(view.selStart(), "selStart");
    QTEST(view.selLength(), "selLength");
    const QImage drawn = view.viewport()->grab().toImage();
    const QRect composingCaretAt = view.inputMethodQuery(Qt::ImCursorRectangle, {}).toRect();
    if (shownColour.isValid())
        QVERIFY(pixelsOf(drawn, shownColour) > 0);

    QInputMethodEvent ended; // the composition goes
    QApplication::sendEvent(&view, &ended);
    QTEST(view.text(), "result");
    if (!composing.isEmpty()) {
        QVERIFY(drawn != before);
        const qreal into =
            QFontMetricsF(view.font()).horizontalAdvance(composing.left(composingCaret));
        const QRect caretAt = view.inputMethodQuery(Qt::ImCursorRectangle, {}).toRect();
        QCOMPARE_LT(qAbs(composingCaretAt.x() - caretAt.x() - into), 2);
    }
}

Q_DECLARE_METATYPE(Qt::InputMethodQuery)

void tst_TextBox::answersTheInputMethod_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("anchor");
    QTest::addColumn<qint64>("caret");
    QTest::addColumn<Qt::InputMethodQuery>("query");
    QTest::addColumn<QVariant>("argument");
    QTest::addColumn<QVariant>("answer");

    // The caret before "three", with "two " selected.
    const QString lines = u"one\r\ntwo three\r\nfour"_qs;
    const auto row = [&](const char *name, Qt::InputMethodQuery query, const QVariant &answer,
                         const QVariant &argument = {}) {
        QTest::newRow(name) << lines << 5ll << 9ll << query << argument << answer;
    };
    row("the caret's line", Qt::ImSurroundingText, u"two three"_qs);
    row("the caret in it", Qt::ImCursorPosition, 4);
    row("the anchor in it", Qt::ImAnchorPosition, 0);
    row("the selection", Qt::ImCurrentSelection, u"two "_qs);
    row("the caret in the text", Qt::ImAbsolutePosition, QVariant::fromValue(9ll));
    row("as much before as asked", Qt::ImTextBeforeCursor, u"wo "_qs, 3);
    row("as much after as asked", Qt::ImTextAfterCursor, u"thre"_qs, 4);
    row("all after", Qt::ImTextAfterCursor, u"three\r\nfour"_qs);
    row("several lines", Qt::ImHints, int(Qt::ImhMultiLine));
    row("takes input", Qt::ImEnabled, true);
    row("no length limit", Qt::ImMaximumTextLength, QVariant());
    // A long unbroken run: a window around the caret, not the whole line.
    const QString run(5'000, u'x');
    QTest::newRow("a window of a long line") << run << 2'500ll << 2'500ll << Qt::ImSurroundingText
                                             << QVariant() << QVariant(QString(1'024, u'x'));
    QTest::newRow("the caret in the window")
        << run << 2'500ll << 2'500ll << Qt::ImCursorPosition << QVariant() << QVariant(512);
    QTest::newRow("the anchor held to the window")
        << run << 0ll << 2'500ll << Qt::ImAnchorPosition << QVariant() << QVariant(0);
}

// The input method asks through QInputMethod, as the platform's does.
void tst_TextBox::answersTheInputMethod()
{
    QFETCH(QString, text);
    QFETCH(qint64, anchor);
    QFETCH(qint64, caret);
    QFETCH(Qt::InputMethodQuery, query);
    QFETCH(QVariant, argument);
    ShownView shown;
    TextBox &view = shown.view;
    view.setText(text);
    view.setSelStart(anchor);
    for (qint64 position = anchor; position < caret; ++position)
        QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    QTRY_COMPARE(QGuiApplication::focusObject(), &view);
    QTEST(QGuiApplication::inputMethod()->queryFocusObject(query, argument), "answer");
}

// Its candidate window follows the caret: the input method hears whenever the
// caret, the selection or the lines in view move.
void tst_TextBox::tellsTheInputMethodWhereTheCaretGoes()
{
    ShownView shown(QSize(240, 100));
    TextBox &view = shown.view;
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setText(u"line\r\n"_qs.repeated(30));
    view.setSelStart(view.length() / 2);
    QTRY_COMPARE(QGuiApplication::focusObject(), &view);
    QInputMethod *inputMethod = QGuiApplication::inputMethod();
    // The box scrolls the caret into view with its next frame.
    QTRY_VERIFY(view.rect().contains(inputMethod->cursorRectangle().toRect()));
    QSignalSpy told(inputMethod, &QInputMethod::cursorRectangleChanged);
    const QRectF before = inputMethod->cursorRectangle();
    QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
    QVERIFY(told.count() > 0);
    QVERIFY(inputMethod->cursorRectangle().x() > before.x());
    // A line up measures the box's own line pitch (the caret stands on the
    // last line in view, so the box does not scroll for it).
    QTest::keyClick(&view, Qt::Key_Up, Qt::ShiftModifier);
    const QRectF lineAbove = inputMethod->cursorRectangle();
    const qreal linePitch = before.y() - lineAbove.y();
    QVERIFY(linePitch > 0);
    const qsizetype toldBefore = told.count();
    const int topBefore = view.verticalScrollBar()->value();
    view.verticalScrollBar()->setValue(topBefore + 2);
    QCOMPARE(view.verticalScrollBar()->value(), topBefore + 2);
    QVERIFY(told.count() > toldBefore);
    QCOMPARE(inputMethod->cursorRectangle().y(), lineAbove.y() - 2 * linePitch);
}

void tst_TextBox::tabMovesTheFocusOn()
{
    QWidget form;
    auto *view = new TextBox(&form);
    auto *next = new QLineEdit(&form);
    next->move(0, 200);
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    view->setFocus();
    QCOMPARE(QApplication::focusWidget(), view);
    QTest::keyClick(view, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), next);
    QCOMPARE(view->text(), QString());
}

// Unspaced hex of a firmware image is one long run without a place to break
// it: a key or a new width wraps what follows once, so that the work grows
// with the text, not with its square.
void tst_TextBox::anEditInALongUnbrokenRunCostsInProportion()
{
    const auto workFor = [](qsizetype length) {
        ShownView shown(QSize(300, 100));
        shown.view.setText(QString(length, u'A'));
        shown.view.setSelStart(length / 2);
        const qint64 before = shown.probe.wrappedCharacters();
        QTest::keyClick(&shown.view, Qt::Key_B);
        shown.view.resize(280, 100);
        [&] { QTRY_COMPARE(shown.view.width(), 280); }();
        return shown.probe.wrappedCharacters() - before;
    };
    const qint64 tenth = workFor(100'000);
    const qint64 whole = workFor(1'000'000);
    QVERIFY2(whole < 20 * tenth, qPrintable(QStringLiteral("%1 / %2").arg(whole).arg(tenth)));
}

void tst_TextBox::paintsTheSelection()
{
    ShownView shown;
    TextBox &view = shown.view;
    view.appendText(QString(u"text 中文 \0 😀 \x7f\r\nmore"_qs));
    const QColor highlight = view.palette().color(QPalette::Active, QPalette::Highlight);
    QCOMPARE(pixelsOf(view.viewport()->grab().toImage(), highlight), 0);
    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(pixelsOf(view.viewport()->grab().toImage(), highlight) > 0);
}

// The bar is painted in bands (a tall one would be handed to Qt's thread pool
// otherwise); the bands must join up into the bar any scroll bar shows.
void tst_TextBox::itsScrollBarLooksLikeAnyOther()
{
    ShownView shown(QSize(240, 480));
    for (int i = 0; i < 100; ++i)
        shown.view.appendText(u"line\r\n");
    shown.view.setSelStart(200);
    QScrollBar *bar = shown.view.verticalScrollBar();
    QVERIFY(shown.probe.waitUntilShown());
    QVERIFY(bar->maximum() > 0);
    const QImage banded = bar->grab().toImage();
    bar->setStyle(QApplication::style());
    QCOMPARE(banded, bar->grab().toImage());
}

void tst_TextBox::drawsItsTextAsDrawTextDoes_data()
{
    QTest::addColumn<QFont>("font");
    QFont outlines(u"Noto Sans CJK SC"_qs); // blended in linear light
    outlines.setPixelSize(12);
    QFont bitmapFace(u"AR PL UMing CN"_qs); // drawn from tiles of its own bitmaps
    bitmapFace.setPixelSize(12);
    bitmapFace.setStyleStrategy(QFont::NoAntialias);
    QTest::newRow("a font with CFF outlines") << outlines;
    QTest::newRow("a bitmap face") << bitmapFace;
}

// The box's short cuts past QPainter::drawText hold at one device pixel to a
// pixel (tst_textrowpainter); on a high-density screen (tst_textbox_2x runs
// at twice the pixels) its rows are drawText's own.
void tst_TextBox::drawsItsTextAsDrawTextDoes()
{
    QFETCH(QFont, font);
    if (qApp->devicePixelRatio() == 1)
        QSKIP("rows at one pixel a pixel are tst_textrowpainter's");
    const QString text = u"line 0123 中文 of text"_qs;
    ShownView shown;
    TextBox &view = shown.view;
    QVERIFY(QTest::qWaitForWindowActive(&view)); // which gives the box the focus
    view.clearFocus();                           // no caret
    view.setFont(font);
    view.appendText(text);
    QVERIFY(shown.probe.waitUntilShown());
    const QImage drawn = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);

    font.setKerning(false);
    const QFontMetricsF metrics(font);
    constexpr int margin = 4;
    const QPalette::ColorGroup group =
        view.isActiveWindow() ? QPalette::Active : QPalette::Inactive;
    QImage expected(drawn.size(), QImage::Format_RGB32);
    expected.setDevicePixelRatio(drawn.devicePixelRatio());
    expected.fill(view.palette().color(group, QPalette::Base));
    {
        QPainter painter(&expected);
        painter.setClipRect(0, margin, view.viewport()->width(), qCeil(metrics.lineSpacing()));
        painter.setFont(font);
        painter.setPen(view.palette().color(group, QPalette::Text));
        painter.drawText(QPointF(margin, margin + metrics.ascent() + metrics.leading() / 2), text);
    }
    QCOMPARE(drawn, expected);
}

// What happens to the box while it is on screen, frame after frame.
enum class Traffic {
    LineByLine,
    ScreenfulsAtOnce,
    ScrolledUp,
    WithSelection,
    HexByteByByte,
    FocusedCaret
};
Q_DECLARE_METATYPE(Traffic)

void tst_TextBox::showsWhatAWholeRepaintDraws_data()
{
    QTest::addColumn<Traffic>("traffic");
    QTest::newRow("a line a frame, following the end") << Traffic::LineByLine;
    QTest::newRow("more than a screen a frame") << Traffic::ScreenfulsAtOnce;
    QTest::newRow("scrolled up while lines arrive below") << Traffic::ScrolledUp;
    QTest::newRow("a selection while lines arrive") << Traffic::WithSelection;
    QTest::newRow("hex, a byte a frame") << Traffic::HexByteByByte;
    QTest::newRow("the caret at the end, shown") << Traffic::FocusedCaret;
}

// A frame draws only what changed and moves the pixels already drawn; what
// is on screen after each frame must be what drawing the whole box draws.
void tst_TextBox::showsWhatAWholeRepaintDraws()
{
    QFETCH(Traffic, traffic);
    const int flashTime = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(traffic == Traffic::FocusedCaret ? 0 : flashTime); // no blink
    const auto restoreFlash = qScopeGuard([&] { QApplication::setCursorFlashTime(flashTime); });
    ShownView shown;
    TextBox &view = shown.view;
    const TextBoxProbe &probe = shown.probe;
    // Once the window is active: it gives the box the focus when it becomes so.
    QVERIFY(QTest::qWaitForWindowActive(&view));
    if (traffic != Traffic::FocusedCaret)
        view.clearFocus();
    // What the window hands the screen, in device pixels as the whole
    // repaint is (the offscreen platform's own grab of a window is cut to its
    // size in logical pixels).
    const auto onScreen = [&] {
#ifdef Q_OS_WIN
        // Windows' backing store (as wine runs it) is not the image the
        // window shows; the screen is, at one device pixel a pixel there.
        return view.screen()
            ->grabWindow(view.winId())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
#else
        const auto *store = dynamic_cast<const QImage *>(view.backingStore()->paintDevice());
        return store ? store->convertToFormat(QImage::Format_RGB32) : QImage();
#endif
    };
    const auto wholeRepaint = [&] {
        return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    };

    for (int step = 0; step < 18; ++step) {
        const QString line = QStringLiteral("line %1 中文 of text\r\n").arg(step);
        switch (traffic) {
        case Traffic::ScreenfulsAtOnce:
            view.appendText(line.repeated(probe.visibleLineCount() + step % 3));
            break;
        case Traffic::HexByteByByte:
            view.appendHex(QByteArray(1, char(step * 37)));
            break;
        default:
            view.appendText(QStringView(line).left(step % 2 ? line.size() : 9)); // half lines too
        }
        if (traffic == Traffic::ScrolledUp && step == 12)
            view.verticalScrollBar()->setValue(2);
        if (traffic == Traffic::WithSelection && step == 10)
            view.selectAll();
        if (traffic == Traffic::FocusedCaret && step == 3)
            view.setSelStart(0);
        // The user looks elsewhere for a while; then the caret follows the data again.
        const bool userMovedAway = (traffic == Traffic::ScrolledUp && step >= 12) ||
                                   (traffic == Traffic::WithSelection && step >= 10 && step < 14) ||
                                   (traffic == Traffic::FocusedCaret && step == 3);
        if (!userMovedAway)
            view.moveCaretToEnd();
        const QString after = QStringLiteral("after step %1").arg(step);
        QVERIFY2(probe.waitUntilShown(), qPrintable(after));
        QVERIFY2(onScreen() == wholeRepaint(), qPrintable(after));
    }
}

QTEST_MAIN(tst_TextBox)
#include "tst_textbox.moc"

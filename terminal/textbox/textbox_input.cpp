// The text box's input: keys, the mouse, the input method and the clipboard,
// turned into moves and edits of its text.
#include "textbox/textbox.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QStyleHints>
#include <QTextCharFormat>

#include <algorithm>

namespace {

// How much text around the caret the input method is shown: more than any
// sentence it looks at, and little enough that a long unbroken run costs
// nothing more.
constexpr qint64 surroundingReach = 512;
// The most text before or after the caret the input method is given, however
// much it asks for.
constexpr qint64 longestInputMethodText = 1 << 16;

} // namespace

// ---- the edit commands ----

void TextBox::copy() const
{
    if (selLength() > 0)
        QGuiApplication::clipboard()->setText(selectedText());
}

void TextBox::cut()
{
    if (selLength() > 0) {
        copy();
        m_text.replaceSelection(QStringView());
        caretMoved();
    }
}

void TextBox::paste()
{
    const QString pasted = QGuiApplication::clipboard()->text();
    if (pasted.isEmpty())
        return;
    m_text.paste(pasted);
    caretMoved();
}

void TextBox::undo()
{
    m_text.undo();
    caretMoved();
}

void TextBox::redo()
{
    m_text.redo();
    caretMoved();
}

void TextBox::deleteSelection()
{
    m_text.replaceSelection(QStringView());
    caretMoved();
}

void TextBox::selectAll()
{
    m_text.selectAll();
    caretMoved();
    offerSelection();
}

void TextBox::offerSelection()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (selLength() > 0 && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

// ---- keys ----

bool TextBox::handleNavigation(QKeyEvent *event)
{
    enum class Target {
        NextChar,
        PreviousChar,
        NextWord,
        PreviousWord,
        LineStart,
        LineEnd,
        TextStart,
        TextEnd
    };
    struct Binding
    {
        QKeySequence::StandardKey move;
        QKeySequence::StandardKey select;
        Target target;
    };
    static const Binding bindings[] = {
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, Target::NextChar},
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, Target::PreviousChar},
        {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, Target::NextWord},
        {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, Target::PreviousWord},
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, Target::LineStart},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, Target::LineEnd},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument,
         Target::TextStart},
        {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, Target::TextEnd},
    };
    const qint64 caret = m_text.caret();
    const qsizetype line = m_text.lineAt(caret);
    const auto positionOf = [&](Target target) -> qint64 {
        switch (target) {
        case Target::NextChar:
            return m_text.nextCaretStop(caret);
        case Target::PreviousChar:
            return m_text.previousCaretStop(caret);
        case Target::NextWord:
            return m_text.nextWordStart(caret);
        case Target::PreviousWord:
            return m_text.previousWordStart(caret);
        case Target::LineStart:
            return m_text.lineStart(line);
        case Target::LineEnd:
            return m_text.contentEnd(line);
        case Target::TextStart:
            return 0;
        case Target::TextEnd:
            return m_text.size();
        }
        return caret;
    };
    for (const Binding &binding : bindings) {
        const bool select = event->matches(binding.select);
        if (select || event->matches(binding.move)) {
            m_text.moveCaret(positionOf(binding.target), select ? Move::Extend : Move::Stay);
            caretMoved();
            if (select)
                offerSelection();
            return true;
        }
    }

    struct LineBinding
    {
        QKeySequence::StandardKey move;
        QKeySequence::StandardKey select;
        int direction;
        bool byPage;
    };
    static const LineBinding lineBindings[] = {
        {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, 1, false},
        {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, -1, false},
        {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, 1, true},
        {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, -1, true},
    };
    for (const LineBinding &binding : lineBindings) {
        const bool select = event->matches(binding.select);
        if (select || event->matches(binding.move)) {
            const qsizetype lines = binding.direction * (binding.byPage ? visibleLineCount() : 1);
            if (binding.byPage)
                setTopLine(m_topLine + lines);
            m_text.moveCaretByLines(lines, select ? Move::Extend : Move::Stay);
            caretMoved();
            if (select)
                offerSelection();
            return true;
        }
    }

    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return true;
    }
    if (event->matches(QKeySequence::Copy)) {
        copy();
        return true;
    }
    return false;
}

bool TextBox::handleEditing(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Undo)) {
        undo();
        return true;
    }
    if (event->matches(QKeySequence::Redo)) {
        redo();
        return true;
    }
    if (event->matches(QKeySequence::Paste)) {
        paste();
        return true;
    }
    if (event->matches(QKeySequence::Cut)) {
        cut();
        return true;
    }
    if (event->matches(QKeySequence::InsertParagraphSeparator) ||
        event->matches(QKeySequence::InsertLineSeparator)) {
        m_text.replaceSelection(u"\r\n");
        caretMoved();
        return true;
    }
    // Ctrl+Backspace and Ctrl+Delete take a word with them (or the selection).
    const bool wordBackward = event->matches(QKeySequence::DeleteStartOfWord);
    if (wordBackward || event->matches(QKeySequence::DeleteEndOfWord)) {
        if (m_text.selLength() == 0) {
            const qint64 caret = m_text.caret();
            m_text.moveCaret(wordBackward ? m_text.previousWordStart(caret)
                                          : m_text.nextWordStart(caret),
                             Move::Extend);
        }
        m_text.replaceSelection(u"");
        caretMoved();
        return true;
    }
    const bool backspace = event->key() == Qt::Key_Backspace &&
                           !(event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier));
    if (backspace || event->matches(QKeySequence::Delete)) {
        if (backspace)
            m_text.deleteBackward();
        else
            m_text.deleteForward();
        caretMoved();
        return true;
    }
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && std::all_of(typed.begin(), typed.end(),
                                                           [](QChar c) { return c.isPrint(); });
    if (printable && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        m_text.type(typed);
        caretMoved();
        return true;
    }
    return false;
}

bool TextBox::isOwnShortcut(QKeyEvent *event) const
{
    static const QKeySequence::StandardKey keys[] = {QKeySequence::SelectAll,
                                                     QKeySequence::Undo,
                                                     QKeySequence::Redo,
                                                     QKeySequence::Copy,
                                                     QKeySequence::Cut,
                                                     QKeySequence::Paste,
                                                     QKeySequence::Delete,
                                                     QKeySequence::MoveToStartOfDocument,
                                                     QKeySequence::MoveToEndOfDocument,
                                                     QKeySequence::SelectStartOfDocument,
                                                     QKeySequence::SelectEndOfDocument,
                                                     QKeySequence::MoveToNextWord,
                                                     QKeySequence::MoveToPreviousWord,
                                                     QKeySequence::SelectNextWord,
                                                     QKeySequence::SelectPreviousWord};
    if (std::any_of(std::begin(keys), std::end(keys),
                    [event](QKeySequence::StandardKey key) { return event->matches(key); }))
        return true;
    const QString typed = event->text();
    return !typed.isEmpty() && typed.at(0).isPrint() &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

bool TextBox::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        auto *keyEvent = static_cast<QKeyEvent *>(event);
        if (isOwnShortcut(keyEvent)) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void TextBox::keyPressEvent(QKeyEvent *event)
{
    if (handleNavigation(event) || handleEditing(event)) {
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

// ---- the mouse ----

void TextBox::mousePressEvent(QMouseEvent *event)
{
    // The middle button pastes what is selected anywhere on the screen (X11).
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (event->button() == Qt::MiddleButton && clipboard->supportsSelection()) {
        const QString selected = clipboard->text(QClipboard::Selection);
        if (!selected.isEmpty()) {
            m_text.moveCaret(positionAt(event->position().toPoint()), Move::Stay);
            m_text.paste(selected);
            caretMoved();
        }
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    // A click ends the composition where it stands, as in any Qt text field.
    if (!m_preedit.isEmpty())
        QGuiApplication::inputMethod()->commit();
    const QPoint point = event->position().toPoint();
    // The third click of a triple click selects the line.
    if (m_sinceDoubleClick.isValid() &&
        m_sinceDoubleClick.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval() &&
        (point - m_doubleClickPoint).manhattanLength() < QApplication::startDragDistance()) {
        m_sinceDoubleClick.invalidate();
        m_text.selectLineAt(positionAt(point));
        caretMoved();
        offerSelection();
        return;
    }
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    m_mouseSelecting = true;
    m_text.moveCaret(positionAt(event->position().toPoint()), extend ? Move::Extend : Move::Stay);
    caretMoved();
}

void TextBox::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_mouseSelecting || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint point = event->position().toPoint();
    // Dragging past the top or the bottom scrolls a line at a time.
    if (point.y() < 0)
        setTopLine(m_topLine - 1);
    else if (point.y() >= viewport()->height())
        setTopLine(m_topLine + 1);
    m_text.moveCaret(positionAt(point), Move::Extend);
    caretMoved();
}

void TextBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_mouseSelecting) {
        m_mouseSelecting = false;
        offerSelection();
        return;
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void TextBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    m_mouseSelecting = false;
    m_doubleClickPoint = event->position().toPoint();
    m_sinceDoubleClick.start();
    m_text.selectWordAt(positionAt(m_doubleClickPoint));
    caretMoved();
    offerSelection();
}

// ---- text dropped on the box ----

void TextBox::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasText())
        event->acceptProposedAction();
}

void TextBox::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasText())
        event->acceptProposedAction();
}

// Dropped text goes in where it is let go, as if pasted there. It is copied,
// never moved: the source keeps its text whatever happens here.
void TextBox::dropEvent(QDropEvent *event)
{
    const QString dropped = event->mimeData()->text();
    if (dropped.isEmpty())
        return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    m_text.moveCaret(positionAt(event->position().toPoint()), Move::Stay);
    m_text.paste(dropped);
    setFocus(Qt::OtherFocusReason);
    caretMoved();
}

// ---- the input method ----

// As Qt's own text fields take it: the selection goes, the characters the
// event names around the caret give way to what it commits, its selection is
// taken, and what it composes shows at the caret with the looks it gives.
void TextBox::inputMethodEvent(QInputMethodEvent *event)
{
    // The input method counts selections from where its text began.
    const qint64 base = surroundingStart();
    const bool takesInput = !event->commitString().isEmpty() || event->replacementLength() > 0 ||
                            event->preeditString() != m_preedit;
    const qint64 caretBefore = m_text.caret();
    const qint64 anchorBefore = m_text.anchor();
    const qint64 sizeBefore = m_text.size();
    if (takesInput)
        m_text.commitInput(event->commitString(), event->replacementStart(),
                           event->replacementLength());

    m_preedit = event->preeditString();
    m_preeditCaret = int(m_preedit.size());
    m_preeditCaretShown = true;
    m_preeditFormats.clear();
    for (const QInputMethodEvent::Attribute &attribute : event->attributes()) {
        switch (attribute.type) {
        case QInputMethodEvent::Selection: {
            const qint64 anchor = base + attribute.start;
            m_text.moveCaret(anchor, Move::Stay);
            m_text.moveCaret(anchor + attribute.length, Move::Extend);
            break;
        }
        case QInputMethodEvent::Cursor:
            m_preeditCaret = std::clamp(attribute.start, 0, int(m_preedit.size()));
            m_preeditCaretShown = attribute.length != 0;
            break;
        case QInputMethodEvent::TextFormat: {
            const QTextCharFormat format =
                qvariant_cast<QTextFormat>(attribute.value).toCharFormat();
            if (format.isValid())
                m_preeditFormats.append({attribute.start, attribute.length, format});
            break;
        }
        default:
            break;
        }
    }

    const bool textOrCaretChanged = m_text.size() != sizeBefore || m_text.caret() != caretBefore ||
                                    m_text.anchor() != anchorBefore || takesInput;
    if (textOrCaretChanged) {
        caretMoved();
    } else {
        m_everythingChanged = true;
        showNow();
    }
    event->accept();
}

qint64 TextBox::surroundingStart() const
{
    const qint64 caret = m_text.caret();
    const qint64 limit = std::max<qint64>(0, caret - surroundingReach);
    const QString before = m_text.mid(limit, caret - limit);
    const auto lineBreak = std::find_if(before.rbegin(), before.rend(),
                                        [](QChar c) { return linewrap::isLineBreak(c.unicode()); });
    return limit + (before.rend() - lineBreak);
}

void TextBox::tellInputMethod()
{
    if (!hasFocus())
        return;
    const QRect caret = m_shownCaret; // as the frame just drawn placed it
    if (caret == m_toldCaretRect && m_text.caret() == m_toldCaret &&
        m_text.anchor() == m_toldAnchor)
        return;
    m_toldCaretRect = caret;
    m_toldCaret = m_text.caret();
    m_toldAnchor = m_text.anchor();
    QGuiApplication::inputMethod()->update(Qt::ImQueryInput | Qt::ImAbsolutePosition |
                                           Qt::ImTextBeforeCursor | Qt::ImTextAfterCursor);
}

QVariant TextBox::inputMethodQuery(Qt::InputMethodQuery query) const
{
    return inputMethodQuery(query, QVariant());
}

QVariant TextBox::inputMethodQuery(Qt::InputMethodQuery query, QVariant argument) const
{
    const qint64 caret = m_text.caret();
    // The input method sees the caret's line, as far as it reaches either side.
    const qint64 start = surroundingStart();
    const auto surroundingEnd = [&] {
        const qint64 limit = std::min(m_text.size(), caret + surroundingReach);
        const QString after = m_text.mid(caret, limit - caret);
        const auto lineBreak = std::find_if(
            after.begin(), after.end(), [](QChar c) { return linewrap::isLineBreak(c.unicode()); });
        return caret + (lineBreak - after.begin());
    };
    const auto asked = [&] {
        const qint64 wanted = argument.isValid() ? argument.toLongLong() : 1024;
        return std::clamp<qint64>(wanted, 0, longestInputMethodText);
    };
    switch (query) {
    case Qt::ImEnabled:
        return isEnabled();
    case Qt::ImReadOnly:
        return false;
    case Qt::ImHints:
        return int(inputMethodHints() | Qt::ImhMultiLine);
    case Qt::ImCursorRectangle:
        return caretRect().translated(viewport()->pos());
    case Qt::ImFont:
        return m_drawFont;
    case Qt::ImMaximumTextLength:
        return QVariant(); // no limit
    case Qt::ImSurroundingText:
        return m_text.mid(start, surroundingEnd() - start);
    case Qt::ImCursorPosition:
        return int(caret - start);
    case Qt::ImAnchorPosition:
        return int(std::clamp<qint64>(m_text.anchor(), start, surroundingEnd()) - start);
    case Qt::ImAbsolutePosition:
        return caret;
    case Qt::ImCurrentSelection:
        return selectedText();
    case Qt::ImTextBeforeCursor: {
        const qint64 from = std::max<qint64>(0, caret - asked());
        return m_text.mid(from, caret - from);
    }
    case Qt::ImTextAfterCursor:
        return m_text.mid(caret, asked());
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

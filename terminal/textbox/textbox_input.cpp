// The text box's input: keys, the mouse, the input method and the clipboard,
// turned into moves and edits of its text.
#include "textbox/textbox.h"

#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>

#include <algorithm>

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
        QClipboard *clipboard = QGuiApplication::clipboard();
        if (selLength() > 0 && clipboard->supportsSelection())
            clipboard->setText(selectedText(), QClipboard::Selection);
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
    m_text.selectWordAt(positionAt(event->position().toPoint()));
    caretMoved();
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

void TextBox::inputMethodEvent(QInputMethodEvent *event)
{
    // What the input method composes (pinyin, say) shows at the caret until
    // it is committed.
    const bool compositionChanged = event->preeditString() != m_preedit;
    m_preedit = event->preeditString();
    if (!event->commitString().isEmpty()) {
        m_text.type(event->commitString());
        caretMoved(); // draws everything again, the composition with it
    } else if (compositionChanged) {
        m_everythingChanged = true;
        showNow();
    }
    event->accept();
}

QVariant TextBox::inputMethodQuery(Qt::InputMethodQuery query) const
{
    // The input method sees the line the caret is on.
    const auto caretLineStart = [this] { return m_text.lineStart(m_text.lineAt(m_text.caret())); };
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return caretRect().translated(viewport()->pos());
    case Qt::ImFont:
        return m_drawFont;
    case Qt::ImCursorPosition:
        return int(m_text.caret() - caretLineStart());
    case Qt::ImAnchorPosition:
        return int(std::max<qint64>(0, m_text.anchor() - caretLineStart()));
    case Qt::ImSurroundingText: {
        const qsizetype line = m_text.lineAt(m_text.caret());
        return m_text.mid(m_text.lineStart(line), m_text.contentEnd(line) - m_text.lineStart(line));
    }
    case Qt::ImCurrentSelection:
        return selectedText();
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

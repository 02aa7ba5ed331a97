#include "textbox/textboxaccessible.h"

#include "textbox/textbox.h"

#include <QScrollBar>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <climits>

namespace {

// How far on either side of an offset a word is looked for: of a longer run
// without a break, the piece around the offset is the answer.
constexpr qint64 wordReach = 4096;

int toInt(qint64 value)
{
    return int(std::clamp<qint64>(value, -1, INT_MAX));
}

QAccessibleInterface *makeTextBoxAccessible(const QString &, QObject *object)
{
    auto *box = qobject_cast<TextBox *>(object);
    return box ? new TextBoxAccessible(box) : nullptr;
}

} // namespace

TextBoxAccessible::TextBoxAccessible(TextBox *box)
    : QAccessibleWidget(box, QAccessible::EditableText)
{}

void TextBoxAccessible::installFactory()
{
    QAccessible::installFactory(makeTextBoxAccessible);
}

TextBox *TextBoxAccessible::box() const
{
    return static_cast<TextBox *>(widget());
}

const EditableText &TextBoxAccessible::model() const
{
    return box()->m_text;
}

QAccessible::State TextBoxAccessible::state() const
{
    // Both boxes take typing, the receive box too: neither is read-only.
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString TextBoxAccessible::text(QAccessible::Text kind) const
{
    if (kind == QAccessible::Value)
        return model().text();
    return QAccessibleWidget::text(kind);
}

void *TextBoxAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

// ---- the text ----

int TextBoxAccessible::characterCount() const
{
    return toInt(size());
}

QString TextBoxAccessible::text(int startOffset, int endOffset) const
{
    const qint64 start = std::clamp<qint64>(startOffset, 0, size());
    const qint64 end = std::clamp<qint64>(endOffset, start, size());
    return model().mid(start, end - start);
}

QString TextBoxAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    // One run without attributes: the box draws all its text alike.
    const bool valid = offset >= 0 && offset <= size();
    *startOffset = valid ? 0 : -1;
    *endOffset = valid ? characterCount() : -1;
    return QString();
}

qint64 TextBoxAccessible::caretStopAtOrBefore(qint64 position) const
{
    if (position <= 0 || position >= size())
        return std::clamp<qint64>(position, 0, size());
    return model().previousCaretStop(model().nextCaretStop(position));
}

TextBoxAccessible::Range TextBoxAccessible::wordAt(qint64 position) const
{
    const qint64 from = std::max<qint64>(0, position - wordReach);
    const qint64 to = std::min(size(), position + wordReach);
    const QString stretch = model().mid(from, to - from);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, stretch);
    finder.setPosition(qsizetype(position - from));
    if (!finder.isAtBoundary())
        finder.toPreviousBoundary();
    const qint64 start = from + std::max<qsizetype>(0, finder.position());
    const qsizetype next = finder.toNextBoundary();
    return {start, next < 0 ? to : from + next};
}

TextBoxAccessible::Range TextBoxAccessible::unitAt(qint64 position,
                                                   QAccessible::TextBoundaryType boundaryType) const
{
    const EditableText &text = model();
    switch (boundaryType) {
    case QAccessible::CharBoundary: {
        if (position >= size())
            return {size(), size()};
        const qint64 start = caretStopAtOrBefore(position);
        return {start, text.nextCaretStop(start)};
    }
    case QAccessible::WordBoundary:
        return position >= size() ? Range(size(), size()) : wordAt(position);
    case QAccessible::SentenceBoundary:
    case QAccessible::ParagraphBoundary:
    case QAccessible::LineBoundary: {
        // The lines as wrapped on screen: a paragraph (or a sentence) may run
        // to megabytes in a stream that never breaks its lines.
        const qsizetype line = text.lineAt(position);
        return {text.lineStart(line), text.lineEnd(line)};
    }
    case QAccessible::NoBoundary:
        break;
    }
    return {0, size()};
}

QString TextBoxAccessible::answer(Range range, int *startOffset, int *endOffset) const
{
    *startOffset = toInt(range.first);
    *endOffset = toInt(range.second);
    return range.first < 0 ? QString() : model().mid(range.first, range.second - range.first);
}

QString TextBoxAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                        int *startOffset, int *endOffset) const
{
    if (offset < 0 || offset > size())
        return answer({-1, -1}, startOffset, endOffset);
    return answer(unitAt(offset, boundaryType), startOffset, endOffset);
}

QString TextBoxAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                            int *startOffset, int *endOffset) const
{
    const qint64 start = offset < 0 || offset > size() ? 0 : unitAt(offset, boundaryType).first;
    if (start <= 0 || boundaryType == QAccessible::NoBoundary)
        return answer({-1, -1}, startOffset, endOffset);
    return answer(unitAt(start - 1, boundaryType), startOffset, endOffset);
}

QString TextBoxAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                           int *startOffset, int *endOffset) const
{
    const qint64 end = offset < 0 || offset > size() ? size() : unitAt(offset, boundaryType).second;
    if (end >= size() || boundaryType == QAccessible::NoBoundary)
        return answer({-1, -1}, startOffset, endOffset);
    return answer(unitAt(end, boundaryType), startOffset, endOffset);
}

// ---- caret and selection ----

int TextBoxAccessible::cursorPosition() const
{
    return toInt(model().caret());
}

void TextBoxAccessible::setCursorPosition(int position)
{
    select(position, position);
}

int TextBoxAccessible::selectionCount() const
{
    return model().selLength() > 0 ? 1 : 0;
}

void TextBoxAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    if (selectionIndex != 0 || selectionCount() == 0) {
        *startOffset = *endOffset = 0;
        return;
    }
    *startOffset = toInt(model().selStart());
    *endOffset = toInt(model().selStart() + model().selLength());
}

void TextBoxAccessible::addSelection(int startOffset, int endOffset)
{
    // The box has one selection: a new one takes its place.
    select(startOffset, endOffset);
}

void TextBoxAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0 && selectionCount() > 0)
        select(model().caret(), model().caret());
}

void TextBoxAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0)
        select(startOffset, endOffset);
}

void TextBoxAccessible::placeSelection(qint64 start, qint64 end)
{
    EditableText &text = box()->m_text;
    text.moveCaret(caretStopAtOrBefore(std::clamp<qint64>(start, 0, size())),
                   EditableText::Move::Stay);
    text.moveCaret(caretStopAtOrBefore(std::clamp<qint64>(end, 0, size())),
                   EditableText::Move::Extend);
}

void TextBoxAccessible::select(qint64 start, qint64 end)
{
    placeSelection(start, end);
    box()->caretMoved();
}

// ---- where characters are drawn ----

QRect TextBoxAccessible::characterRect(int offset) const
{
    const EditableText &text = model();
    if (offset < 0 || offset >= size())
        return QRect();
    const TextBox *textBox = box();
    const qint64 start = caretStopAtOrBefore(offset);
    const qsizetype line = text.lineAt(start);
    const qreal left = text.xInLine(line, start);
    // A line break is as wide as the mark a selected one shows.
    const qreal right = start >= text.contentEnd(line)
                            ? left + textBox->m_breakMarkWidth
                            : text.xInLine(line, text.nextCaretStop(start));
    const qreal top =
        TextBox::textMargin + qreal(line - textBox->m_topLine) * textBox->m_lineHeight;
    const QRectF inView(TextBox::textMargin + left, top, std::max<qreal>(1, right - left),
                        textBox->m_lineHeight);
    const QPoint origin = textBox->viewport()->mapToGlobal(QPoint(0, 0));
    return inView.toAlignedRect().translated(origin);
}

int TextBoxAccessible::offsetAtPoint(const QPoint &point) const
{
    const TextBox *textBox = box();
    const QPoint inView = textBox->viewport()->mapFromGlobal(point);
    if (!textBox->viewport()->rect().contains(inView) || inView.y() < TextBox::textMargin)
        return -1;
    const EditableText &text = model();
    const qsizetype line =
        textBox->m_topLine + (inView.y() - TextBox::textMargin) / textBox->m_lineHeight;
    if (line >= text.lineCount())
        return -1;
    // The nearest caret stop; when it lies right of the point, the character
    // under the point is the one before it.
    const qreal x = inView.x() - TextBox::textMargin;
    qint64 position = text.positionInLine(line, x);
    if (position > text.lineStart(line) && text.xInLine(line, position) > x)
        position = text.previousCaretStop(position);
    return position < size() ? toInt(position) : -1;
}

void TextBoxAccessible::scrollToSubstring(int startIndex, int)
{
    TextBox *textBox = box();
    const qsizetype line = model().lineAt(std::clamp<qint64>(startIndex, 0, size()));
    const qsizetype top = textBox->firstVisibleLine();
    if (line < top || line >= top + textBox->visibleLineCount())
        textBox->verticalScrollBar()->setValue(int(line));
}

// ---- editing ----

void TextBoxAccessible::deleteText(int startOffset, int endOffset)
{
    replaceText(startOffset, endOffset, QString());
}

void TextBoxAccessible::insertText(int offset, const QString &text)
{
    replaceText(offset, offset, text);
}

void TextBoxAccessible::replaceText(int startOffset, int endOffset, const QString &text)
{
    // As a paste over a selection: undoable, its line breaks made CR LF.
    placeSelection(startOffset, endOffset);
    box()->m_text.paste(text);
    box()->caretMoved();
}

// ---- telling of changes ----

namespace {
TextBoxChangeReport::Sink testSink = nullptr;
bool testListening = false;
} // namespace

TextBoxChangeReport::TextBoxChangeReport(QObject *box, EditableText &text)
    : m_box(box), m_text(text)
{
    text.setEditWatcher(this);
}

void TextBoxChangeReport::redirectForTests(Sink sink, bool listening)
{
    testSink = sink;
    testListening = listening;
}

bool TextBoxChangeReport::isListening()
{
    return testSink ? testListening : QAccessible::isActive();
}

void TextBoxChangeReport::tell(QAccessibleEvent &&event)
{
    if (testSink)
        testSink(&event);
    else
        QAccessible::updateAccessibility(&event);
}

void TextBoxChangeReport::appending(qint64 from)
{
    if (m_appendedFrom < 0 && isListening())
        m_appendedFrom = from;
}

void TextBoxChangeReport::reportAppended()
{
    const qint64 from = m_appendedFrom;
    m_appendedFrom = -1;
    if (from < 0 || from >= m_text.size())
        return;
    tell(QAccessibleTextInsertEvent(m_box, toInt(from), m_text.mid(from, m_text.size() - from)));
}

void TextBoxChangeReport::aboutToReplaceAll()
{
    m_editCaught = isListening();
    if (!m_editCaught)
        return;
    // Received text not told yet goes unmentioned: it was never there.
    const qint64 told = m_appendedFrom >= 0 ? m_appendedFrom : m_text.size();
    m_appendedFrom = -1;
    m_removed = m_text.mid(0, told);
}

void TextBoxChangeReport::replacedAll()
{
    if (m_editCaught && isListening())
        reportReplaced(0, m_removed, m_text.text());
    m_editCaught = false;
    m_removed.clear();
}

void TextBoxChangeReport::aboutToEdit(qint64 position, qint64 removed)
{
    m_editCaught = isListening();
    if (!m_editCaught)
        return;
    // Received text comes before the edit, which may reach into it.
    reportAppended();
    m_removed = m_text.mid(position, removed);
}

void TextBoxChangeReport::edited(qint64 position, qint64, qint64 added)
{
    if (m_editCaught && isListening())
        reportReplaced(position, m_removed, m_text.mid(position, added));
    m_editCaught = false;
    m_removed.clear();
}

void TextBoxChangeReport::reportReplaced(qint64 position, const QString &removed,
                                         const QString &added)
{
    if (removed.isEmpty() && added.isEmpty())
        return;
    if (removed.isEmpty()) {
        tell(QAccessibleTextInsertEvent(m_box, toInt(position), added));
    } else if (added.isEmpty()) {
        tell(QAccessibleTextRemoveEvent(m_box, toInt(position), removed));
    } else {
        tell(QAccessibleTextUpdateEvent(m_box, toInt(position), removed, added));
    }
}

void TextBoxChangeReport::frameShown()
{
    const qint64 caret = m_text.caret();
    const qint64 anchor = m_text.anchor();
    using Range = std::pair<qint64, qint64>;
    const Range told(std::min(m_toldCaret, m_toldAnchor), std::max(m_toldCaret, m_toldAnchor));
    const Range shown(std::min(caret, anchor), std::max(caret, anchor));
    const bool caretMoved = caret != m_toldCaret;
    const bool selectionChanged =
        told != shown && (told.first < told.second || shown.first < shown.second);
    m_toldCaret = caret;
    m_toldAnchor = anchor;
    if (!isListening()) {
        m_appendedFrom = -1;
        return;
    }
    reportAppended();
    if (caretMoved) {
        tell(QAccessibleTextCursorEvent(m_box, toInt(caret)));
    }
    if (selectionChanged) {
        tell(QAccessibleTextSelectionEvent(m_box, toInt(shown.first), toInt(shown.second)));
    }
}

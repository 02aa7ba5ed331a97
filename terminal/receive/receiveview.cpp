#include "receiveview.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QtMath>

#include <algorithm>

namespace {

// Room between the frame and the text, as in the send box.
constexpr int textMargin = 4;
// Data that arrives quickly is shown at most this often (milliseconds).
constexpr int frameInterval = 16;
// Characters wrapped again in one go after the width changed; the rest
// follows between other events.
constexpr qint64 rewrapPortionSize = 1 << 20;
// More characters than fit on any screen: the part of a line that is laid
// out and drawn (a line may be longer while it waits to be wrapped again),
// and the furthest a word is looked for.
constexpr qint64 longestDrawnLine = 1 << 14;
constexpr qint64 longestWord = 1 << 16;

QString shownForm(QStringView content)
{
    QString shown(content.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(shown.data());
    for (const QChar c : content)
        *out++ = linewrap::shownChar(c.unicode());
    return shown;
}

// Line breaks in pasted text become CR LF, as the Enter key types them.
QString withCrLfBreaks(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            result.append(u"\r\n");
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else if (c == u'\n') {
            result.append(u"\r\n");
        } else {
            result.append(c);
        }
    }
    return result;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || linewrap::isLineBreak(c.unicode());
}

} // namespace

ReceiveView::ReceiveView(QWidget *parent)
    : QAbstractScrollArea(parent), m_advances([](QStringView) { return 0.0; }), m_lines(m_advances)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(1);
    m_sinceFrame.start();
    applyFont();
}

ReceiveView::~ReceiveView() = default;

// ---- the interface of the box ----

void ReceiveView::appendText(QStringView piece)
{
    if (piece.isEmpty())
        return;
    const qint64 from = m_text.size();
    m_text.append(piece);
    m_lines.appended(m_text, from);
    scheduleFrame();
}

QString ReceiveView::text() const
{
    return m_text.toString();
}

void ReceiveView::clearText()
{
    m_text.clear();
    m_lines.clear();
    m_rewrapTimer.stop();
    m_caret = m_anchor = 0;
    m_preferredX = -1;
    m_topLine = 0;
    scheduleFrame();
}

void ReceiveView::moveCaretToEnd()
{
    m_caret = m_anchor = m_text.size();
    m_preferredX = -1;
    ensureCaretVisible();
    scheduleFrame();
}

qint64 ReceiveView::selStart() const
{
    return std::min(m_caret, m_anchor);
}

void ReceiveView::setSelStart(qint64 position)
{
    position = std::clamp<qint64>(position, 0, m_text.size());
    while (!isCaretStop(position))
        ++position;
    m_caret = m_anchor = position;
    m_preferredX = -1;
    ensureCaretVisible();
    scheduleFrame();
}

qint64 ReceiveView::selLength() const
{
    return std::abs(m_caret - m_anchor);
}

QString ReceiveView::selectedText() const
{
    return m_text.mid(selStart(), selLength());
}

QString ReceiveView::shownLine(qsizetype line) const
{
    if (line < 0 || line >= m_lines.count())
        return QString();
    const qint64 start = m_lines.start(line);
    return shownForm(m_text.mid(start, contentEnd(line) - start));
}

qsizetype ReceiveView::visibleLineCount() const
{
    return std::max(1, (viewport()->height() - textMargin) / m_lineHeight);
}

// ---- lines and positions ----

qint64 ReceiveView::lineEnd(qsizetype line) const
{
    return line + 1 < m_lines.count() ? m_lines.start(line + 1) : m_text.size();
}

qint64 ReceiveView::contentEnd(qsizetype line) const
{
    const qint64 start = m_lines.start(line);
    const qint64 end = lineEnd(line);
    if (end == start)
        return end;
    const QChar last = m_text.at(end - 1);
    if (last == u'\n')
        return end - 1 > start && m_text.at(end - 2) == u'\r' ? end - 2 : end - 1;
    return last == u'\r' ? end - 1 : end;
}

// The caret never stands inside a CR LF pair or a surrogate pair.
bool ReceiveView::isCaretStop(qint64 position) const
{
    if (position <= 0 || position >= m_text.size())
        return true;
    const QChar before = m_text.at(position - 1);
    const QChar after = m_text.at(position);
    return !((before == u'\r' && after == u'\n') ||
             (before.isHighSurrogate() && after.isLowSurrogate()));
}

qint64 ReceiveView::nextCaretStop(qint64 position) const
{
    position = std::min(position + 1, m_text.size());
    while (!isCaretStop(position))
        ++position;
    return position;
}

qint64 ReceiveView::previousCaretStop(qint64 position) const
{
    position = std::max<qint64>(position - 1, 0);
    while (!isCaretStop(position))
        --position;
    return position;
}

qint64 ReceiveView::nextWordStart(qint64 position) const
{
    const qint64 stop = std::min(m_text.size(), position + longestWord);
    while (position < stop && !isBlank(m_text.at(position)))
        ++position;
    while (position < stop && isBlank(m_text.at(position)))
        ++position;
    return position;
}

qint64 ReceiveView::previousWordStart(qint64 position) const
{
    const qint64 stop = std::max<qint64>(0, position - longestWord);
    while (position > stop && isBlank(m_text.at(position - 1)))
        --position;
    while (position > stop && !isBlank(m_text.at(position - 1)))
        --position;
    return position;
}

qint64 ReceiveView::drawnEnd(qsizetype line) const
{
    return std::min(contentEnd(line), m_lines.start(line) + longestDrawnLine);
}

qreal ReceiveView::xInLine(qsizetype line, qint64 position) const
{
    const qint64 start = m_lines.start(line);
    const qint64 end = std::clamp(position, start, drawnEnd(line));
    const QString content = m_text.mid(start, end - start);
    char16_t previous = start > 0 ? m_text.at(start - 1).unicode() : 0;
    qreal x = 0;
    for (qsizetype i = 0; i < content.size(); ++i) {
        x += m_advances.at(content, i, previous);
        previous = content.at(i).unicode();
    }
    return x;
}

qint64 ReceiveView::positionInLine(qsizetype line, qreal x) const
{
    const qint64 start = m_lines.start(line);
    const qint64 end = drawnEnd(line);
    const QString content = m_text.mid(start, end - start);
    char16_t previous = start > 0 ? m_text.at(start - 1).unicode() : 0;
    qreal left = 0;
    for (qsizetype i = 0; i < content.size(); ++i) {
        const char16_t c = content.at(i).unicode();
        const qreal width = m_advances.at(content, i, previous);
        const bool secondHalf = QChar::isLowSurrogate(c) && QChar::isHighSurrogate(previous);
        previous = c;
        if (secondHalf)
            continue;
        if (x < left + width / 2)
            return start + i;
        left += width;
    }
    return end;
}

qint64 ReceiveView::positionAt(QPoint viewportPoint) const
{
    const int row =
        viewportPoint.y() < textMargin ? -1 : (viewportPoint.y() - textMargin) / m_lineHeight;
    const qsizetype line = std::clamp<qsizetype>(m_topLine + row, 0, m_lines.count() - 1);
    return positionInLine(line, viewportPoint.x() - textMargin);
}

QRect ReceiveView::caretRect() const
{
    const qsizetype line = m_lines.lineAt(m_caret);
    const int x = textMargin + qFloor(xInLine(line, m_caret));
    const int y = textMargin + int(line - m_topLine) * m_lineHeight;
    return QRect(x, y, 1, m_lineHeight);
}

// ---- look ----

void ReceiveView::applyFont()
{
    m_drawFont = font();
    // Without kerning a line is as wide as the widths of its characters.
    m_drawFont.setKerning(false);
    const QFontMetricsF metrics(m_drawFont);
    m_lineHeight = std::max(1, qCeil(metrics.lineSpacing()));
    m_ascent = metrics.ascent() + metrics.leading() / 2;
    m_breakMarkWidth = metrics.horizontalAdvance(QLatin1Char(' '));
    m_advances.setMeasure(
        [metrics](QStringView text) { return metrics.horizontalAdvance(text.toString()); });
    m_lines.rewrap(m_text);
    updateWidthLimit();
    syncScrollBar();
    viewport()->update();
}

qreal ReceiveView::widthLimitFor(int viewportWidth) const
{
    // One pixel to spare for the caret after the last character.
    return std::max<qreal>(1, viewportWidth - 2 * textMargin - 1);
}

void ReceiveView::updateWidthLimit()
{
    const qreal limit = widthLimitFor(viewport()->width());
    if (qFuzzyCompare(limit, m_lines.widthLimit()))
        return;
    m_lines.beginRewrap(limit);
    rewrapPortion();
}

// Wraps the next portion of the text at the new width, keeping the line at
// the top in view (or the end, when the end was in view).
void ReceiveView::rewrapPortion()
{
    const bool atBottom = m_topLine + visibleLineCount() >= m_lines.count();
    const qint64 topPosition = m_lines.start(m_topLine);
    if (m_lines.continueRewrap(m_text, rewrapPortionSize))
        m_rewrapTimer.start(0, this);
    else
        m_rewrapTimer.stop();
    setTopLine(atBottom ? m_lines.count() : m_lines.lineAt(topPosition));
    showNow();
}

void ReceiveView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    painter.setFont(m_drawFont);
    const QPalette::ColorGroup group = !isEnabled()       ? QPalette::Disabled
                                       : isActiveWindow() ? QPalette::Active
                                                          : QPalette::Inactive;
    const QPalette colours = palette();
    const QColor textColour = colours.color(group, QPalette::Text);
    const QColor selectedColour = colours.color(group, QPalette::HighlightedText);
    const qint64 selectionStart = selStart();
    const qint64 selectionEnd = selectionStart + selLength();
    const int bottom = viewport()->height();

    int top = textMargin;
    for (qsizetype line = m_topLine; line < m_lines.count() && top < bottom;
         ++line, top += m_lineHeight) {
        const qint64 start = m_lines.start(line);
        const qint64 end = lineEnd(line);
        const qint64 contentStop = contentEnd(line);
        const QString shown = shownForm(m_text.mid(start, drawnEnd(line) - start));
        const QPointF baseline(textMargin, top + m_ascent);
        painter.setPen(textColour);
        painter.drawText(baseline, shown);

        if (selectionStart >= selectionEnd || selectionStart >= end || selectionEnd <= start)
            continue;
        const qreal left = textMargin + xInLine(line, std::max(selectionStart, start));
        qreal right = textMargin + xInLine(line, std::min(selectionEnd, contentStop));
        if (selectionEnd > contentStop && end > contentStop)
            right += m_breakMarkWidth; // the line break is selected too
        if (right <= left)
            continue;
        const QRectF selected(left, top, right - left, m_lineHeight);
        painter.fillRect(selected, colours.brush(group, QPalette::Highlight));
        painter.save();
        painter.setClipRect(selected);
        painter.setPen(selectedColour);
        painter.drawText(baseline, shown);
        painter.restore();
    }

    if (m_caretOn && hasFocus() && selectionStart == selectionEnd) {
        const QRect caret = caretRect();
        if (caret.bottom() >= 0 && caret.top() < bottom)
            painter.fillRect(caret, textColour);
    }
}

void ReceiveView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateWidthLimit();
    showNow();
}

void ReceiveView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        applyFont();
    else if (event->type() == QEvent::PaletteChange || event->type() == QEvent::EnabledChange)
        viewport()->update();
}

// ---- scrolling and repainting ----

void ReceiveView::setTopLine(qsizetype line)
{
    const qsizetype last = std::max<qsizetype>(0, m_lines.count() - visibleLineCount());
    m_topLine = std::clamp<qsizetype>(line, 0, last);
}

void ReceiveView::ensureCaretVisible()
{
    const qsizetype line = m_lines.lineAt(m_caret);
    const qsizetype visible = visibleLineCount();
    if (line < m_topLine)
        setTopLine(line);
    else if (line >= m_topLine + visible)
        setTopLine(line - visible + 1);
}

// Received data is shown as soon as the events waiting now are done, but at
// most once a frame: however many pieces arrive within a frame, the box is
// drawn once.
void ReceiveView::scheduleFrame()
{
    if (!m_frameTimer.isActive())
        m_frameTimer.start(int(std::max<qint64>(0, frameInterval - m_sinceFrame.elapsed())), this);
}

// What the user does is shown at once.
void ReceiveView::showNow()
{
    m_frameTimer.stop();
    m_sinceFrame.start();
    syncScrollBar();
    viewport()->update();
}

void ReceiveView::syncScrollBar()
{
    QScrollBar *bar = verticalScrollBar();
    const qsizetype visible = visibleLineCount();
    setTopLine(m_topLine);
    m_syncingScrollBar = true;
    bar->setRange(0, int(std::max<qsizetype>(0, m_lines.count() - visible)));
    bar->setPageStep(int(visible));
    bar->setValue(int(m_topLine));
    m_syncingScrollBar = false;
}

void ReceiveView::scrollContentsBy(int, int)
{
    if (!m_syncingScrollBar)
        m_topLine = verticalScrollBar()->value();
    viewport()->update();
}

void ReceiveView::wheelEvent(QWheelEvent *event)
{
    if (m_frameTimer.isActive())
        showNow();
    QAbstractScrollArea::wheelEvent(event);
}

void ReceiveView::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_frameTimer.timerId()) {
        showNow();
    } else if (event->timerId() == m_rewrapTimer.timerId()) {
        rewrapPortion();
    } else if (event->timerId() == m_blinkTimer.timerId()) {
        m_caretOn = !m_caretOn;
        viewport()->update(caretRect());
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

void ReceiveView::restartBlink()
{
    m_caretOn = true;
    const int flashTime = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flashTime >= 2)
        m_blinkTimer.start(flashTime / 2, this);
    else
        m_blinkTimer.stop();
}

void ReceiveView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    viewport()->update();
}

void ReceiveView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    m_blinkTimer.stop();
    m_caretOn = false;
    viewport()->update();
}

// ---- caret, selection and editing ----

void ReceiveView::moveCaret(qint64 position, Move move, bool keepColumn)
{
    m_caret = std::clamp<qint64>(position, 0, m_text.size());
    if (move == Move::Stay)
        m_anchor = m_caret;
    if (!keepColumn)
        m_preferredX = -1;
    ensureCaretVisible();
    restartBlink();
    showNow();
}

void ReceiveView::moveCaretByLines(qsizetype lines, Move move)
{
    const qsizetype line = m_lines.lineAt(m_caret);
    if (m_preferredX < 0)
        m_preferredX = xInLine(line, m_caret);
    const qsizetype target = std::clamp<qsizetype>(line + lines, 0, m_lines.count() - 1);
    moveCaret(positionInLine(target, m_preferredX), move, true);
}

void ReceiveView::replaceSelection(QStringView replacement)
{
    const qint64 from = selStart();
    const qint64 removed = selLength();
    m_text.remove(from, removed);
    m_text.insert(from, replacement);
    m_lines.replaced(m_text, from, removed, replacement.size());
    moveCaret(from + replacement.size(), Move::Stay);
}

void ReceiveView::copy() const
{
    if (selLength() > 0)
        QGuiApplication::clipboard()->setText(selectedText());
}

void ReceiveView::cut()
{
    if (selLength() > 0) {
        copy();
        replaceSelection(QStringView());
    }
}

void ReceiveView::paste()
{
    const QString pasted = QGuiApplication::clipboard()->text();
    if (!pasted.isEmpty())
        replaceSelection(withCrLfBreaks(pasted));
}

void ReceiveView::deleteSelection()
{
    replaceSelection(QStringView());
}

void ReceiveView::selectAll()
{
    m_anchor = 0;
    moveCaret(m_text.size(), Move::Extend);
}

void ReceiveView::selectWordAt(qint64 position)
{
    qint64 start = position;
    qint64 end = position;
    const qint64 first = std::max<qint64>(0, position - longestWord);
    const qint64 last = std::min(m_text.size(), position + longestWord);
    while (start > first && !isBlank(m_text.at(start - 1)))
        --start;
    while (end < last && !isBlank(m_text.at(end)))
        ++end;
    m_anchor = start;
    moveCaret(end, Move::Extend);
}

bool ReceiveView::handleNavigation(QKeyEvent *event)
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
    const qsizetype line = m_lines.lineAt(m_caret);
    const auto positionOf = [&](Target target) -> qint64 {
        switch (target) {
        case Target::NextChar:
            return nextCaretStop(m_caret);
        case Target::PreviousChar:
            return previousCaretStop(m_caret);
        case Target::NextWord:
            return nextWordStart(m_caret);
        case Target::PreviousWord:
            return previousWordStart(m_caret);
        case Target::LineStart:
            return m_lines.start(line);
        case Target::LineEnd:
            return contentEnd(line);
        case Target::TextStart:
            return 0;
        case Target::TextEnd:
            return m_text.size();
        }
        return m_caret;
    };
    for (const Binding &binding : bindings) {
        const bool select = event->matches(binding.select);
        if (select || event->matches(binding.move)) {
            moveCaret(positionOf(binding.target), select ? Move::Extend : Move::Stay);
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
            moveCaretByLines(lines, select ? Move::Extend : Move::Stay);
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

bool ReceiveView::handleEditing(QKeyEvent *event)
{
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
        replaceSelection(u"\r\n");
        return true;
    }
    const bool backspace = event->key() == Qt::Key_Backspace &&
                           !(event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier));
    if (backspace || event->matches(QKeySequence::Delete)) {
        if (selLength() == 0) {
            if (backspace)
                m_anchor = previousCaretStop(m_caret);
            else
                m_anchor = nextCaretStop(m_caret);
        }
        replaceSelection(QStringView());
        return true;
    }
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && std::all_of(typed.begin(), typed.end(),
                                                           [](QChar c) { return c.isPrint(); });
    if (printable && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        replaceSelection(typed);
        return true;
    }
    return false;
}

bool ReceiveView::isOwnShortcut(QKeyEvent *event) const
{
    static const QKeySequence::StandardKey keys[] = {QKeySequence::SelectAll,
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

bool ReceiveView::event(QEvent *event)
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

void ReceiveView::keyPressEvent(QKeyEvent *event)
{
    if (handleNavigation(event) || handleEditing(event)) {
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void ReceiveView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    m_mouseSelecting = true;
    moveCaret(positionAt(event->position().toPoint()), extend ? Move::Extend : Move::Stay);
}

void ReceiveView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_mouseSelecting || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint point = event->position().toPoint();
    // Dragging past the top or the bottom scrolls a line at a time.
    if (point.y() < 0)
        setTopLine(m_topLine - 1);
    else if (point.y() >= viewport()->height())
        setTopLine(m_topLine + 1);
    moveCaret(positionAt(point), Move::Extend);
}

void ReceiveView::mouseReleaseEvent(QMouseEvent *event)
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

void ReceiveView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    m_mouseSelecting = false;
    selectWordAt(positionAt(event->position().toPoint()));
}

void ReceiveView::inputMethodEvent(QInputMethodEvent *event)
{
    if (!event->commitString().isEmpty())
        replaceSelection(event->commitString());
    event->accept();
}

QVariant ReceiveView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return caretRect().translated(viewport()->pos());
    case Qt::ImFont:
        return m_drawFont;
    case Qt::ImCursorPosition:
        return int(m_caret - m_lines.start(m_lines.lineAt(m_caret)));
    case Qt::ImAnchorPosition:
        return int(std::max<qint64>(0, m_anchor - m_lines.start(m_lines.lineAt(m_caret))));
    case Qt::ImSurroundingText: {
        const qsizetype line = m_lines.lineAt(m_caret);
        return m_text.mid(m_lines.start(line), contentEnd(line) - m_lines.start(line));
    }
    case Qt::ImCurrentSelection:
        return selectedText();
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

#include "textbox/editabletext.h"

namespace {

// More characters than fit on any screen: the part of a line that is laid
// out and drawn, and the furthest a word is looked for.
constexpr qint64 longestDrawnLine = 1 << 14;
constexpr qint64 longestWord = 1 << 16;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || linewrap::isLineBreak(c.unicode());
}

// Every CR LF, lone CR and lone LF made a CR LF, as the Enter key types it.
QString withCrLf(QStringView text)
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

} // namespace

EditableText::EditableText() : m_advances([](QStringView) { return 0.0; }), m_lines(m_advances) {}

void EditableText::clear()
{
    m_text.clear();
    m_lines.clear();
    m_caret = m_anchor = 0;
    m_preferredX = -1;
    m_history.clear();
}

void EditableText::setText(QStringView text)
{
    clear();
    const QString lines = withCrLf(text);
    m_text.append(lines);
    m_lines.appended(m_text, 0);
}

// ---- lines ----

qint64 EditableText::lineEnd(qsizetype line) const
{
    return line + 1 < m_lines.count() ? m_lines.start(line + 1) : m_text.size();
}

qint64 EditableText::contentEnd(qsizetype line) const
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

qint64 EditableText::drawnEnd(qsizetype line) const
{
    return std::min(contentEnd(line), m_lines.start(line) + longestDrawnLine);
}

QString EditableText::shown(qint64 from, qint64 to) const
{
    QString drawn = m_text.mid(from, to - from);
    char16_t *out = reinterpret_cast<char16_t *>(drawn.data());
    for (qsizetype i = 0; i < drawn.size(); ++i)
        out[i] = linewrap::shownChar(out[i]);
    return drawn;
}

QString EditableText::shownLine(qsizetype line) const
{
    if (line < 0 || line >= m_lines.count())
        return QString();
    return shown(m_lines.start(line), contentEnd(line));
}

// ---- widths ----

void EditableText::setMeasure(GlyphAdvances::Measure measure)
{
    m_advances.setMeasure(std::move(measure));
    m_lines.rewrap(m_text);
}

qreal EditableText::xInLine(qsizetype line, qint64 position) const
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

qint64 EditableText::positionInLine(qsizetype line, qreal x) const
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

// ---- caret and selection ----

void EditableText::placeCaret(qint64 position, Move move, bool keepColumn)
{
    m_caret = std::clamp<qint64>(position, 0, m_text.size());
    if (move == Move::Stay)
        m_anchor = m_caret;
    if (!keepColumn)
        m_preferredX = -1;
}

void EditableText::moveCaret(qint64 position, Move move)
{
    placeCaret(position, move, false);
}

void EditableText::moveCaretByLines(qsizetype lines, Move move)
{
    const qsizetype line = m_lines.lineAt(m_caret);
    if (m_preferredX < 0)
        m_preferredX = xInLine(line, m_caret);
    const qsizetype target = std::clamp<qsizetype>(line + lines, 0, m_lines.count() - 1);
    placeCaret(positionInLine(target, m_preferredX), move, true);
}

void EditableText::setSelStart(qint64 position)
{
    position = std::clamp<qint64>(position, 0, m_text.size());
    while (!isCaretStop(position))
        ++position;
    placeCaret(position, Move::Stay, false);
}

void EditableText::moveCaretToEnd()
{
    placeCaret(m_text.size(), Move::Stay, false);
}

void EditableText::selectAll()
{
    m_anchor = 0;
    placeCaret(m_text.size(), Move::Extend, false);
}

void EditableText::selectWordAt(qint64 position)
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
    placeCaret(end, Move::Extend, false);
}

bool EditableText::isCaretStop(qint64 position) const
{
    if (position <= 0 || position >= m_text.size())
        return true;
    const QChar before = m_text.at(position - 1);
    const QChar after = m_text.at(position);
    return !((before == u'\r' && after == u'\n') ||
             (before.isHighSurrogate() && after.isLowSurrogate()));
}

qint64 EditableText::nextCaretStop(qint64 position) const
{
    position = std::min(position + 1, m_text.size());
    while (!isCaretStop(position))
        ++position;
    return position;
}

qint64 EditableText::previousCaretStop(qint64 position) const
{
    position = std::max<qint64>(position - 1, 0);
    while (!isCaretStop(position))
        --position;
    return position;
}

qint64 EditableText::nextWordStart(qint64 position) const
{
    const qint64 stop = std::min(m_text.size(), position + longestWord);
    while (position < stop && !isBlank(m_text.at(position)))
        ++position;
    while (position < stop && isBlank(m_text.at(position)))
        ++position;
    return position;
}

qint64 EditableText::previousWordStart(qint64 position) const
{
    const qint64 stop = std::max<qint64>(0, position - longestWord);
    while (position > stop && isBlank(m_text.at(position - 1)))
        --position;
    while (position > stop && !isBlank(m_text.at(position - 1)))
        --position;
    return position;
}

// ---- editing ----

void EditableText::replaceSelection(QStringView replacement)
{
    edit(replacement, false);
}

void EditableText::type(QStringView typed)
{
    edit(typed, true);
}

void EditableText::paste(QStringView pasted)
{
    edit(withCrLf(pasted), false);
}

void EditableText::edit(QStringView replacement, bool typed)
{
    const qint64 from = selStart();
    const qint64 removed = selLength();
    if (m_undoEnabled && (removed > 0 || !replacement.isEmpty()))
        m_history.record(
            {from, m_text.mid(from, removed), replacement.toString(), m_caret, m_anchor}, typed);
    replace(from, removed, replacement);
}

void EditableText::replace(qint64 position, qint64 removed, QStringView added)
{
    if (m_editWatcher)
        m_editWatcher->aboutToEdit(position, removed);
    m_text.remove(position, removed);
    m_text.insert(position, added);
    m_lines.replaced(m_text, position, removed, added.size());
    placeCaret(position + added.size(), Move::Stay, false);
    if (m_editWatcher)
        m_editWatcher->edited(position, removed, added.size());
}

void EditableText::deleteBackward()
{
    if (selLength() == 0)
        m_anchor = previousCaretStop(m_caret);
    replaceSelection(QStringView());
}

void EditableText::deleteForward()
{
    if (selLength() == 0)
        m_anchor = nextCaretStop(m_caret);
    replaceSelection(QStringView());
}

// ---- undo ----

void EditableText::setUndoEnabled(bool enabled)
{
    m_undoEnabled = enabled;
    m_history.clear();
}

void EditableText::undo()
{
    if (!canUndo())
        return;
    const EditHistory::Step &step = m_history.undo();
    replace(step.position, step.added.size(), step.removed);
    m_anchor = step.anchorBefore;
    m_caret = step.caretBefore;
}

void EditableText::redo()
{
    if (!canRedo())
        return;
    const EditHistory::Step &step = m_history.redo();
    replace(step.position, step.removed.size(), step.added);
}

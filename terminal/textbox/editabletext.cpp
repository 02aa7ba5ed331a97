#include "textbox/editabletext.h"

namespace {

// More characters than fit on any screen: the part of a line that is laid
// out and drawn.
constexpr qint64 longestDrawnLine = 1 << 14;
// How far either side of the caret words and clusters are looked for: far
// more than any word or cluster a reader meets, and little enough that a
// move costs next to nothing in a run of a million characters.
constexpr qint64 wordReach = 256;
constexpr qint64 clusterReach = 64;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || linewrap::isLineBreak(c.unicode());
}

// Every CR LF, lone CR, lone LF, line separator and paragraph separator made a
// CR LF, as the Enter key types it. The box breaks its lines at CR and LF
// only, and the send box sends a separator as the code page's "?" (GBK has
// none): kept, it would show as nothing, or as a mark, while something else
// went out. Made a CR LF, it shows as the line break it means and goes out as
// the CR LF that is seen.
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
        } else if (c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
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
    // A click lands between clusters: an accent goes with its letter.
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, content);
    qsizetype from = 0;
    qreal left = 0;
    for (qsizetype to = clusters.toNextBoundary(); to > 0; to = clusters.toNextBoundary()) {
        qreal width = 0;
        for (qsizetype i = from; i < to; ++i) {
            width += m_advances.at(content, i, previous);
            previous = content.at(i).unicode();
        }
        if (x < left + width / 2)
            return start + from;
        left += width;
        from = to;
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
    if (!isCaretStop(position))
        position = nextCaretStop(position);
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

std::vector<qint64> EditableText::boundariesAround(qint64 position, qint64 reach,
                                                   QTextBoundaryFinder::BoundaryType type) const
{
    const qint64 from = std::max<qint64>(0, position - reach);
    const qint64 to = std::min(m_text.size(), position + reach);
    const QString window = m_text.mid(from, to - from);
    QTextBoundaryFinder finder(type, window);
    std::vector<qint64> boundaries{from};
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary())
        boundaries.push_back(from + at);
    if (boundaries.back() != to)
        boundaries.push_back(to);
    return boundaries;
}

namespace {

qint64 firstAfter(const std::vector<qint64> &boundaries, qint64 position)
{
    const auto found = std::upper_bound(boundaries.begin(), boundaries.end(), position);
    return found == boundaries.end() ? boundaries.back() : *found;
}

qint64 lastBefore(const std::vector<qint64> &boundaries, qint64 position)
{
    const auto found = std::lower_bound(boundaries.begin(), boundaries.end(), position);
    return found == boundaries.begin() ? boundaries.front() : *std::prev(found);
}

} // namespace

void EditableText::selectWordAt(qint64 position)
{
    position = std::clamp<qint64>(position, 0, m_text.size());
    const std::vector<qint64> words =
        boundariesAround(position, wordReach, QTextBoundaryFinder::Word);
    qint64 start = position;
    qint64 end = position;
    // The word after position or, where a blank or the end follows, the one
    // before it.
    if (position < m_text.size() && !isBlank(m_text.at(position))) {
        start = lastBefore(words, position + 1);
        end = firstAfter(words, position);
    } else if (position > 0 && !isBlank(m_text.at(position - 1))) {
        start = lastBefore(words, position);
    }
    m_anchor = start;
    placeCaret(end, Move::Extend, false);
}

void EditableText::selectLineAt(qint64 position)
{
    // Wrapped lines that follow no line break continue the line before them.
    const auto continuesLine = [this](qsizetype line) {
        return !linewrap::isLineBreak(m_text.at(m_lines.start(line) - 1).unicode());
    };
    qsizetype first = m_lines.lineAt(std::clamp<qint64>(position, 0, m_text.size()));
    qsizetype last = first;
    while (first > 0 && continuesLine(first))
        --first;
    while (last + 1 < m_lines.count() && continuesLine(last + 1))
        ++last;
    m_anchor = m_lines.start(first);
    placeCaret(lineEnd(last), Move::Extend, false);
}

bool EditableText::isCaretStop(qint64 position) const
{
    if (position <= 0 || position >= m_text.size())
        return true;
    const std::vector<qint64> clusters =
        boundariesAround(position, clusterReach, QTextBoundaryFinder::Grapheme);
    return std::binary_search(clusters.begin(), clusters.end(), position);
}

qint64 EditableText::nextCaretStop(qint64 position) const
{
    if (position >= m_text.size())
        return m_text.size();
    return firstAfter(boundariesAround(position, clusterReach, QTextBoundaryFinder::Grapheme),
                      position);
}

qint64 EditableText::previousCaretStop(qint64 position) const
{
    if (position <= 0)
        return 0;
    return lastBefore(boundariesAround(position, clusterReach, QTextBoundaryFinder::Grapheme),
                      position);
}

// As every Qt text field moves by words: to the next boundary that Qt's word
// rules find, then past the blanks after it.
qint64 EditableText::nextWordStart(qint64 position) const
{
    if (position >= m_text.size())
        return m_text.size();
    const std::vector<qint64> words =
        boundariesAround(position, wordReach, QTextBoundaryFinder::Word);
    qint64 next = firstAfter(words, position);
    while (next < words.back() && isBlank(m_text.at(next)))
        ++next;
    return next;
}

qint64 EditableText::previousWordStart(qint64 position) const
{
    if (position <= 0)
        return 0;
    const std::vector<qint64> words =
        boundariesAround(position, wordReach, QTextBoundaryFinder::Word);
    while (position > words.front() && isBlank(m_text.at(position - 1)))
        --position;
    return lastBefore(words, position);
}

// ---- editing ----

void EditableText::replaceSelection(QStringView replacement)
{
    edit(replacement, false);
}

void EditableText::type(QStringView typed)
{
    edit(withCrLf(typed), true);
}

void EditableText::paste(QStringView pasted)
{
    edit(withCrLf(pasted), false);
}

void EditableText::commitInput(QStringView committed, qint64 replacementStart,
                               qint64 replacementLength)
{
    if (selLength() > 0)
        replaceSelection(QStringView());
    const qint64 caret = m_caret;
    const qint64 from = std::clamp<qint64>(caret + replacementStart, 0, m_text.size());
    const qint64 to = std::clamp<qint64>(
        caret + replacementStart + std::max<qint64>(0, replacementLength), from, m_text.size());
    const QString added = withCrLf(committed);
    if (from == to && added.isEmpty())
        return;
    // Plain committing at the caret is typing, undone a word at a time.
    if (m_undoEnabled)
        m_history.record({from, m_text.mid(from, to - from), added, caret, caret},
                         from == caret && to == caret);
    replace(from, to - from, added);
    // Characters put in before the caret move it on; the caret stays put
    // when they all lie after it.
    if (caret < from)
        placeCaret(caret, Move::Stay, false);
    else if (caret > to)
        placeCaret(caret + added.size() - (to - from), Move::Stay, false);
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

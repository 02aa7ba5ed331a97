#include "textbox/linewrap.h"

#include "textbox/chunkedtext.h"

#include <QChar>
#include <QScopeGuard>

#include <algorithm>
#include <type_traits>

GlyphAdvances::GlyphAdvances(Measure measure)
{
    setMeasure(std::move(measure));
}

void GlyphAdvances::setMeasure(Measure measure)
{
    m_measure = std::move(measure);
    m_single.assign(0x10000, -1.0f);
    m_pairs.clear();
}

float GlyphAdvances::measureSingle(char16_t c)
{
    if (linewrap::isLineBreak(c))
        return m_single[c] = 0.0f;
    // Chinese fonts give every ideograph of this range (all those of the GBK
    // code page) one advance, so the first stands for all. Measuring them one
    // by one took a fifth of a second the first time random bytes were shown
    // as text, and held the window up meanwhile.
    constexpr char16_t firstIdeograph = 0x4E00, lastIdeograph = 0x9FA5;
    if (c > firstIdeograph && c <= lastIdeograph)
        return m_single[c] = of(firstIdeograph);
    const char16_t shown = linewrap::shownChar(c);
    const float width = std::max(0.0f, float(m_measure(QStringView(&shown, 1))));
    return m_single[c] = width;
}

float GlyphAdvances::ofPair(char16_t high, char16_t low)
{
    const quint32 key = (quint32(high) << 16) | low;
    const auto found = m_pairs.constFind(key);
    if (found != m_pairs.constEnd())
        return *found;
    const char16_t pair[2] = {high, low};
    const float width = std::max(0.0f, float(m_measure(QStringView(pair, 2))));
    m_pairs.insert(key, width);
    return width;
}

float GlyphAdvances::atSurrogate(QStringView text, qsizetype index, char16_t previous)
{
    const char16_t c = text[index].unicode();
    if (QChar::isHighSurrogate(c)) {
        const char16_t next = index + 1 < text.size() ? text[index + 1].unicode() : u'\xDC00';
        return QChar::isLowSurrogate(next) ? ofPair(c, next) : of(c);
    }
    if (QChar::isLowSurrogate(c) && QChar::isHighSurrogate(previous))
        return 0.0f;
    return of(c);
}

WrappedLines::WrappedLines(GlyphAdvances &advances) : m_advances(advances) {}

void WrappedLines::rewrap(const ChunkedText &text)
{
    beginRewrap(m_limit);
    continueRewrap(text, text.size());
}

void WrappedLines::beginRewrap(qreal limit)
{
    // Room for about as many lines as a narrower width makes, so that the
    // portions do not stall on growing the table.
    const double growth = std::clamp(m_limit / std::max<qreal>(limit, 1), 1.0, 4.0);
    m_limit = limit;
    m_rewrap = Rewrap();
    m_rewrap.active = true;
    m_rewrap.starts.reserve(std::size_t(double(m_starts.size()) * growth * 1.1) + 64);
}

bool WrappedLines::continueRewrap(const ChunkedText &text, qint64 budget)
{
    if (!m_rewrap.active)
        return false;
    const qint64 to = std::min(text.size(), m_rewrap.position + std::max<qint64>(budget, 1));
    wrapFrom(text, m_rewrap.position, to, m_rewrap.state, m_rewrap.starts, nullptr);
    m_rewrap.position = to;
    if (to < text.size())
        return true;
    m_starts = std::move(m_rewrap.starts);
    m_tail = m_rewrap.state;
    m_rewrap = Rewrap();
    return false;
}

qsizetype WrappedLines::lineAt(qint64 position) const
{
    const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), position);
    return after == m_starts.begin() ? 0 : qsizetype(after - m_starts.begin() - 1);
}

void WrappedLines::appended(const ChunkedText &text, qint64 from)
{
    wrapFrom(text, from, text.size(), m_tail, m_starts, nullptr);
}

void WrappedLines::clear()
{
    m_starts.assign(1, 0);
    m_tail = State();
    m_rewrap = Rewrap();
}

void WrappedLines::replaced(const ChunkedText &text, qint64 position, qint64 removed, qint64 added)
{
    if (m_rewrap.active) {
        rewrap(text);
        return;
    }
    const qint64 delta = added - removed;
    // An edit on a line can change where the line before it ends (that line
    // looked ahead into it), never anything earlier.
    const qsizetype edited = lineAt(position);
    const qsizetype first = edited > 0 ? edited - 1 : 0;

    // From a line start behind the edit on that the old lines had too, the
    // old lines hold again: wrapping depends only on what follows a line start.
    std::size_t oldIndex = std::size_t(
        std::upper_bound(m_starts.begin(), m_starts.end(), position + removed) - m_starts.begin());
    const auto synced = [&](qint64 start) {
        if (start < position + added + 1)
            return false;
        const qint64 oldStart = start - delta;
        while (oldIndex < m_starts.size() && m_starts[oldIndex] < oldStart)
            ++oldIndex;
        return oldIndex < m_starts.size() && m_starts[oldIndex] == oldStart;
    };

    std::vector<qint64> fresh{m_starts[std::size_t(first)]};
    State state;
    state.lineStart = fresh.front();
    const qint64 syncedAt = wrapFrom(text, state.lineStart, text.size(), state, fresh, synced);

    const auto firstReplaced = m_starts.begin() + qptrdiff(first);
    if (syncedAt < 0) {
        m_starts.erase(firstReplaced, m_starts.end());
        m_starts.insert(m_starts.end(), fresh.begin(), fresh.end());
        m_tail = state;
        return;
    }
    fresh.pop_back(); // the synced start is the old line's, moved
    const auto kept = m_starts.begin() + qptrdiff(oldIndex);
    for (auto it = kept; it != m_starts.end(); ++it)
        *it += delta;
    const auto keptAt = m_starts.erase(firstReplaced, kept);
    m_starts.insert(keptAt, fresh.begin(), fresh.end());
    m_tail.lineStart += delta;
    if (m_tail.breakAt >= 0)
        m_tail.breakAt += delta;
}

template <typename Synced>
qint64 WrappedLines::wrapFrom(const ChunkedText &text, qint64 from, qint64 to, State &state,
                              std::vector<qint64> &starts, Synced isSynced)
{
    constexpr bool checksSync = !std::is_same_v<Synced, std::nullptr_t>;
    qint64 stoppedAt = -1;
    State shared = state;
    const double limit = m_limit;
    constexpr char16_t firstWide = 0x1100; // below it no character is wide

    // A new line that the wrapping chose (not a line break in the text).
    const auto softStart = [&](State &st, qint64 at) {
        starts.push_back(at);
        st.lineStart = at;
        st.breakAt = -1;
        if constexpr (checksSync)
            return isSynced(at);
        return false;
    };

    text.forEachPiece(from, to, [&](auto piece, qint64 pieceStart) {
        if (stoppedAt >= 0)
            return;
        // A copy of the state that nothing else can reach stays in registers.
        State st = shared;
        qsizetype i = 0;
        const qsizetype size = piece.size();
        const auto keep = qScopeGuard([&] {
            shared = st;
            m_scanned += i;
        });
        for (; i < size; ++i) {
            const char16_t c = piece[i].unicode();
            const qint64 at = pieceStart + i;
            if constexpr (checksSync) {
                // A line that a line break started, unless an LF joins its CR.
                if (at == st.lineStart && at > 0 && !(st.afterCarriageReturn && c == u'\n') &&
                    isSynced(at)) {
                    stoppedAt = at;
                    return;
                }
            }
            // The common case, quickly: a character that neither breaks the
            // line nor offers a place to break it (not a blank, not wide, not
            // half of a pair), and that still fits.
            if (c > u' ' && c < firstWide) {
                const float width = m_advances.of(c);
                if (st.width + width <= limit) {
                    st.width += width;
                    st.afterCarriageReturn = false;
                    st.previous = c;
                    continue;
                }
            }
            if (c == u'\n' && st.afterCarriageReturn) {
                starts.back() = at + 1;
                st.lineStart = at + 1;
                st.afterCarriageReturn = false;
                st.previous = c;
                continue;
            }
            if (linewrap::isLineBreak(c)) {
                starts.push_back(at + 1);
                st.lineStart = at + 1;
                st.width = 0;
                st.breakAt = -1;
                st.afterCarriageReturn = c == u'\r';
                st.previous = c;
                continue;
            }
            st.afterCarriageReturn = false;
            const float width = m_advances.at(piece, i, st.previous);
            st.previous = c;
            if (c == u' ') {
                st.width += width;
                st.breakAt = at + 1;
                st.widthAtBreak = st.width;
                continue;
            }
            if (width > 0 && st.width + width > limit && at > st.lineStart) {
                if (st.breakAt > st.lineStart) {
                    const double carried = st.width - st.widthAtBreak;
                    if (softStart(st, st.breakAt)) {
                        stoppedAt = st.lineStart;
                        return;
                    }
                    st.width = carried;
                }
                if (st.width + width > limit && at > st.lineStart) {
                    if (softStart(st, at)) {
                        stoppedAt = at;
                        return;
                    }
                    st.width = 0;
                }
            }
            const bool wide = linewrap::isWide(c);
            if (wide && at > st.lineStart) {
                st.breakAt = at;
                st.widthAtBreak = st.width;
            }
            st.width += width;
            if (wide) {
                st.breakAt = at + 1;
                st.widthAtBreak = st.width;
            }
        }
    });
    state = shared;
    return stoppedAt;
}

#pragma once

#include <QHash>
#include <QLatin1StringView>
#include <QStringView>

#include <functional>
#include <vector>

class ChunkedText;

// How the receive box breaks its text into the lines it shows.
//
// A CR LF pair, a lone LF and a lone CR each end a line. Every other
// character has a width and stays on its line: control characters show as
// their symbol from the Control Pictures block (U+2400 for NUL, U+2409 for
// TAB, U+2421 for DEL), so that they neither vanish nor break the line.
namespace linewrap {

constexpr bool isLineBreak(char16_t c)
{
    return c == u'\r' || c == u'\n';
}

// The character drawn for c (line breaks are never drawn).
constexpr char16_t shownChar(char16_t c)
{
    return c < 0x20 ? char16_t(0x2400 + c) : c == 0x7F ? char16_t(0x2421) : c;
}

// Wide (East Asian) characters: a line may break before and after each.
// None lies below U+1100.
constexpr bool isWide(char16_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6);
}

} // namespace linewrap

// Widths of characters as drawn, measured once per character and then
// looked up. The measure gets the shown form of one character (or of a
// surrogate pair).
class GlyphAdvances
{
public:
    using Measure = std::function<qreal(QStringView)>;

    explicit GlyphAdvances(Measure measure);

    // Forgets every width (the font changed).
    void setMeasure(Measure measure);

    float of(char16_t c)
    {
        const float width = m_single[c];
        return width >= 0 ? width : measureSingle(c);
    }
    float ofPair(char16_t high, char16_t low);

    // The width of the character at index in text, where previous is the
    // character before it (0 at the start): a surrogate pair takes its width
    // on its first half.
    float at(QStringView text, qsizetype index, char16_t previous)
    {
        const char16_t c = text[index].unicode();
        return QChar::isSurrogate(c) ? atSurrogate(text, index, previous) : of(c);
    }
    float at(QLatin1StringView text, qsizetype index, char16_t /*previous*/)
    {
        return of(text[index].unicode());
    }

private:
    float measureSingle(char16_t c);
    float atSurrogate(QStringView text, qsizetype index, char16_t previous);

    Measure m_measure;
    std::vector<float> m_single;
    QHash<quint32, float> m_pairs;
};

// The lines of a text wrapped at a width: the start of every line, kept up to
// date as the text grows at its end (only the last line is looked at again)
// or is edited (only the lines around the edit are).
//
// A line breaks after its last blank, or before or after a wide character,
// when the next character would not fit; a word longer than the line is
// broken where the line is full. Blanks at the end of a line may overhang it.
// Every line holds at least one character, however narrow the width.
class WrappedLines
{
public:
    explicit WrappedLines(GlyphAdvances &advances);

    qreal widthLimit() const { return m_limit; }
    // Wraps the whole text again at once (the widths of characters changed).
    void rewrap(const ChunkedText &text);

    // Wrapping a long text again takes a while: beginRewrap() sets the width
    // and continueRewrap() wraps the next portion of about budget characters,
    // true while more remains. Until the last portion the lines keep their
    // old width, and the text may grow at its end meanwhile.
    void beginRewrap(qreal limit);
    bool continueRewrap(const ChunkedText &text, qint64 budget);

    // There is always at least one line, empty for an empty text.
    qsizetype count() const { return qsizetype(m_starts.size()); }
    qint64 start(qsizetype line) const { return m_starts[std::size_t(line)]; }
    // The line that position lies on: the last one that starts at or before it.
    qsizetype lineAt(qint64 position) const;

    // The text has grown by what lies from from to its end.
    void appended(const ChunkedText &text, qint64 from);
    // At position, removed characters were taken out and added put in. (In
    // the middle of wrapping again, the whole text is wrapped at once.)
    void replaced(const ChunkedText &text, qint64 position, qint64 removed, qint64 added);
    // The text was emptied.
    void clear();

    // Characters looked at by wrapping so far: the work done. The terminal
    // never asks; the tests do, since an append or an edit that wrapped far
    // more than it changed gives the same lines and shows only as a box that
    // slows down as its text grows.
    qint64 scannedCharacters() const { return m_scanned; }

private:
    // Where wrapping stands at the end of what it has looked at.
    struct State
    {
        qint64 lineStart = 0;
        double width = 0;        // of the characters from lineStart on
        qint64 breakAt = -1;     // where the line may end, when it overflows
        double widthAtBreak = 0; // width up to breakAt
        bool afterCarriageReturn = false;
        char16_t previous = 0;
    };

    // How far wrapping again at a new width has come: the new lines of the
    // text up to position.
    struct Rewrap
    {
        bool active = false;
        qint64 position = 0;
        std::vector<qint64> starts{0};
        State state;
    };

    // Wraps text from from to to, starting in state, adding line starts to
    // starts. With isSynced, stops at the first new line start q for which
    // isSynced(q) holds and returns q; otherwise runs to the end and returns -1.
    template <typename Synced>
    qint64 wrapFrom(const ChunkedText &text, qint64 from, qint64 to, State &state,
                    std::vector<qint64> &starts, Synced isSynced);

    GlyphAdvances &m_advances;
    qreal m_limit = 1e9;
    std::vector<qint64> m_starts{0};
    State m_tail;
    Rewrap m_rewrap;
    qint64 m_scanned = 0;
};

#pragma once

#include "textbox/chunkedtext.h"
#include "textbox/edithistory.h"
#include "textbox/linewrap.h"

#include <QString>
#include <QStringView>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cstdlib>
#include <vector>

// What a text box shows, apart from the widget that shows it: the text as
// received and typed (ChunkedText), its lines at the box's width
// (WrappedLines), the caret and the other end of the selection (the anchor),
// and, where the box keeps one, the history of its edits. The box draws it,
// scrolls it and turns keys and clicks into calls here.
//
// Positions are in UTF-16 code units; a CR LF is two. The caret stops only
// between the characters a reader sees (grapheme clusters, as Qt finds them):
// never inside a CR LF, a surrogate pair, a letter and its accent or an emoji
// sequence. Widths come from the measure the box sets from its font: until it
// does, every character is zero wide.
//
// Words and clusters are looked for within a few hundred characters of the
// caret, so that a move in a long unbroken run costs as little as anywhere
// else; a word longer than that is crossed in steps of that length.
class EditableText
{
public:
    // Whether the anchor follows the caret (nothing selected) or stays.
    enum class Move { Stay, Extend };

    // Told of every edit (appends are no edits): before it, while the
    // characters it removes can still be read, and after it. The text box
    // reports edits to assistive technology through it.
    class EditWatcher
    {
    public:
        virtual void aboutToEdit(qint64 position, qint64 removed) = 0;
        virtual void edited(qint64 position, qint64 removed, qint64 added) = 0;

    protected:
        ~EditWatcher() = default;
    };

    EditableText();
    EditableText(const EditableText &) = delete;
    EditableText &operator=(const EditableText &) = delete;

    // ---- the text ----

    qint64 size() const { return m_text.size(); }
    QString text() const { return m_text.toString(); }
    QString mid(qint64 position, qint64 count) const { return m_text.mid(position, count); }
    // Adds text at the end; the caret and the selection stay where they are.
    // Appending is no edit: it is not undone.
    void append(QStringView piece)
    {
        const qint64 from = m_text.size();
        m_text.append(piece);
        m_lines.appended(m_text, from);
    }
    // As append, with each byte shown as hex: "00 " to "FF ".
    void appendHex(QByteArrayView bytes)
    {
        const qint64 from = m_text.size();
        m_text.appendHex(bytes);
        m_lines.appended(m_text, from);
    }
    // Empties the text; the caret goes to the start, the history is forgotten.
    void clear();
    // Replaces the text, every CR LF, lone CR and lone LF made a CR LF; the
    // caret goes to the start and the history is forgotten.
    void setText(QStringView text);

    // ---- lines ----

    // There is always at least one line, empty for an empty text.
    qsizetype lineCount() const { return m_lines.count(); }
    qint64 lineStart(qsizetype line) const { return m_lines.start(line); }
    qsizetype lineAt(qint64 position) const { return m_lines.lineAt(position); }
    // Where the next line starts: after the line's break, if it has one.
    qint64 lineEnd(qsizetype line) const;
    // Where the line's characters end: before its break.
    qint64 contentEnd(qsizetype line) const;
    // Where drawing the line stops: its content, or as much of it as any
    // screen could show (a line may be longer while it waits to be wrapped).
    qint64 drawnEnd(qsizetype line) const;
    // A line as drawn (out of range: empty): without its line break, control
    // characters as their symbols.
    QString shownLine(qsizetype line) const;
    // The characters from from to to as drawn.
    QString shown(qint64 from, qint64 to) const;

    // ---- widths ----

    // The width of a character as drawn; the whole text is wrapped again.
    void setMeasure(GlyphAdvances::Measure measure);
    qreal widthLimit() const { return m_lines.widthLimit(); }
    // A new width, taken up portion by portion (see WrappedLines).
    void beginRewrap(qreal limit) { m_lines.beginRewrap(limit); }
    bool continueRewrap(qint64 budget) { return m_lines.continueRewrap(m_text, budget); }
    // From the start of line to position (clamped to what is drawn).
    qreal xInLine(qsizetype line, qint64 position) const;
    // The caret stop in line nearest to x.
    qint64 positionInLine(qsizetype line, qreal x) const;

    // ---- caret and selection ----

    qint64 caret() const { return m_caret; }
    qint64 anchor() const { return m_anchor; }
    // Start of the selection, or the caret when nothing is selected.
    qint64 selStart() const { return std::min(m_caret, m_anchor); }
    qint64 selLength() const { return std::abs(m_caret - m_anchor); }
    QString selectedText() const { return m_text.mid(selStart(), selLength()); }

    // Caret to position, clamped to the text.
    void moveCaret(qint64 position, Move move);
    // Caret lines up or down (negative: up), staying near the column where a
    // run of such moves began.
    void moveCaretByLines(qsizetype lines, Move move);
    // Caret to position (clamped, then on to the next caret stop), nothing
    // selected.
    void setSelStart(qint64 position);
    void moveCaretToEnd();
    void selectAll();
    // Selects the word around position, as Qt's word rules find words: blanks,
    // punctuation and each Chinese character stand apart.
    void selectWordAt(qint64 position);
    // Selects the line position lies on, as its line breaks end it (however
    // it is wrapped), with its line break.
    void selectLineAt(qint64 position);

    qint64 nextCaretStop(qint64 position) const;
    qint64 previousCaretStop(qint64 position) const;
    // Where the next word starts, past the blanks after this one; where this
    // word (or the one before the blanks) starts.
    qint64 nextWordStart(qint64 position) const;
    qint64 previousWordStart(qint64 position) const;

    // ---- editing ----

    // Puts text in place of the selection; the caret goes after it.
    void replaceSelection(QStringView replacement);
    // As replaceSelection, for typed text: typing that goes on is undone a
    // word at a time.
    void type(QStringView typed);
    // As replaceSelection, with each CR LF, lone CR, lone LF, line separator
    // and paragraph separator made a CR LF, as the Enter key types a line break.
    void paste(QStringView pasted);
    // What an input method commits: the selection goes, then the characters
    // from replacementStart (from the caret, negative before it) on,
    // replacementLength of them (as far as the text reaches), give way to
    // committed, line breaks made CR LF. The caret ends after committed when
    // the replaced characters touched it.
    void commitInput(QStringView committed, qint64 replacementStart, qint64 replacementLength);
    // Removes the selection or, with none, the character before (after) the
    // caret: a CR LF pair or a surrogate pair goes whole.
    void deleteBackward();
    void deleteForward();

    // ---- undo ----

    // Whether edits are recorded to be undone (off at first); turning it
    // off forgets the history.
    void setUndoEnabled(bool enabled);
    bool canUndo() const { return m_undoEnabled && m_history.canUndo(); }
    bool canRedo() const { return m_undoEnabled && m_history.canRedo(); }
    // Takes back the last edit and selects as before it; does again the last
    // edit taken back and puts the caret after it.
    void undo();
    void redo();

    // Characters looked at by wrapping so far: the work edits and appends
    // have done. The terminal never asks; the tests do (see WrappedLines).
    qint64 wrappedCharacters() const { return m_lines.scannedCharacters(); }

    // None at first.
    void setEditWatcher(EditWatcher *watcher) { m_editWatcher = watcher; }

private:
    // Puts added in place of removed characters at position, lines wrapped
    // again around them; the caret goes after them.
    void replace(qint64 position, qint64 removed, QStringView added);
    void edit(QStringView replacement, bool typed);
    // Whether the caret may stand at position: not inside a cluster.
    bool isCaretStop(qint64 position) const;
    // The boundaries of the given kind near position, as positions in the
    // text, in order (the window's ends count as boundaries).
    std::vector<qint64> boundariesAround(qint64 position, qint64 reach,
                                         QTextBoundaryFinder::BoundaryType type) const;
    void placeCaret(qint64 position, Move move, bool keepColumn);

    mutable GlyphAdvances m_advances; // caches each width as first measured
    ChunkedText m_text;
    WrappedLines m_lines;
    qint64 m_caret = 0;
    qint64 m_anchor = 0;
    qreal m_preferredX = -1; // the column of a run of up and down moves
    EditHistory m_history;
    bool m_undoEnabled = false;
    EditWatcher *m_editWatcher = nullptr;
};

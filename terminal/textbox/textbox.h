#pragma once

#include "textbox/editabletext.h"
#include "textbox/textrowpainter.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QFont>
#include <QString>
#include <QStringView>
#include <QTextLayout>

#include <limits>
#include <memory>

class TextBoxChangeReport;

// The multi-line text box that the receive box and the send box are: a
// vertical scroll bar, lines wrapped at its width, and the speed of a box
// that draws only the lines in view and wraps again only around a change,
// however much text it holds and however long its lines are.
//
// The text, its lines, the caret and the undo history live in EditableText;
// the box scrolls, blinks the caret and brings what changed quickly to the
// screen once a frame (textbox.cpp), draws the lines in view
// (textbox_paint.cpp), and takes keys, the mouse, the input method and the
// clipboard (textbox_input.cpp): caret, selection with mouse and keyboard,
// typing, cut, copy, paste, undo and redo, as a text box does. Enter and
// Shift+Enter type a line break, CR LF; Tab moves the focus on.
//
// CR LF, a lone LF and a lone CR each break the line on screen. Other control
// characters show as their Control Pictures symbol (NUL as U+2400) and never
// break a line. Text is never read as markup.
class TextBox : public QAbstractScrollArea
{
    Q_OBJECT
    // What screen readers see of the box (textboxaccessible.cpp).
    friend class TextBoxAccessible;

public:
    explicit TextBox(QWidget *parent = nullptr);
    ~TextBox() override;

    // Adds text at the end; the caret and the selection stay where they are.
    void appendText(QStringView piece);
    // As appendText, with each byte shown as hex: "00 " to "FF ".
    void appendHex(QByteArrayView bytes);
    // The text as received and typed: a CR LF is two characters.
    QString text() const { return m_text.text(); }
    qint64 length() const { return m_text.size(); }
    // Replaces the text, with every CR LF, lone CR and lone LF made a CR LF;
    // the caret goes to the start and the undo history is forgotten.
    void setText(QStringView text);
    void clearText();
    // Caret to the end of the text (the selection goes), brought into view.
    void moveCaretToEnd();

    // Start of the selection, or the caret when nothing is selected.
    qint64 selStart() const { return m_text.selStart(); }
    // Puts the caret at position (clamped to the text) with nothing selected.
    void setSelStart(qint64 position);
    qint64 selLength() const { return m_text.selLength(); }
    QString selectedText() const { return m_text.selectedText(); }

    // Whether edits can be undone (the receive box keeps no history).
    void setUndoRedoEnabled(bool enabled) { m_text.setUndoEnabled(enabled); }
    bool isUndoAvailable() const { return m_text.canUndo(); }
    bool isRedoAvailable() const { return m_text.canRedo(); }

    // The edit commands, as their keys and the edit menu run them.
    void undo();
    void redo();
    void cut();
    void copy() const;
    void paste();
    void deleteSelection();
    void selectAll();

    // What the input method asks; argument bounds ImTextBeforeCursor and
    // ImTextAfterCursor (QInputMethod::queryFocusObject passes it).
    Q_INVOKABLE QVariant inputMethodQuery(Qt::InputMethodQuery query, QVariant argument) const;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

private:
    // The tests' view of the lines as laid out, the part in view and whether
    // the screen has caught up (tests/support/textboxprobe.h).
    friend class TextBoxProbe;
    using Move = EditableText::Move;

    // Room between the frame and the text.
    static constexpr int textMargin = 4;

    // Look and scrolling (textbox.cpp).
    void applyFont();
    void updateWidthLimit();
    void rewrapPortion();
    qreal widthLimitFor(int viewportWidth) const;
    qint64 positionAt(QPoint viewportPoint) const;
    qsizetype visibleLineCount() const;
    void setTopLine(qsizetype line);
    void ensureCaretVisible();
    void scheduleFrame();
    void showPendingFrame();
    void showNow();
    // Whether the scroll bar is brought up to date with the frame, or within
    // its own pace (a frame of streaming data).
    enum class ScrollBarSync { Now, Paced };
    void showFrame(ScrollBarSync barSync);
    void syncScrollBar();
    void restartBlink();
    // The user moved the caret or edited: it comes into view and shows at once.
    void caretMoved();

    // Painting (textbox_paint.cpp).
    // The caret, within what the input method composes while it composes.
    QRect caretRect() const;
    // What the input method composes, laid out in the box's font with its looks.
    void layOutPreedit(QTextLayout &layout) const;
    // Where a line is drawn while the screen shows m_shownTopLine at the top.
    int rowTop(qsizetype line) const;
    // Brings the screen up to date with as little drawing as it takes: the
    // pixels already drawn move with the lines, and only lines that changed,
    // or that scrolled into view, are drawn again.
    void repaintChanges();
    // The whole box is drawn again at the next repaint.
    void repaintAll();

    // Keys (textbox_input.cpp).
    bool handleNavigation(QKeyEvent *event);
    bool handleEditing(QKeyEvent *event);
    bool isOwnShortcut(QKeyEvent *event) const;
    // The selection becomes the X primary selection, as in every Qt text field.
    void offerSelection();
    // The input method hears of a caret, selection or scroll that moved, so
    // that its candidate window follows the caret.
    void tellInputMethod();
    // Where the input method's text begins: the caret's line, or the part of
    // it within reach of the caret.
    qint64 surroundingStart() const;

    EditableText m_text;
    QFont m_drawFont;
    TextRowPainter m_rowPainter;
    int m_lineHeight = 1;
    qreal m_ascent = 0;
    qreal m_breakMarkWidth = 0;

    qsizetype m_topLine = 0;
    // What the screen shows, so that a frame draws only what changed: the
    // line at the top, the caret's place, and from which line on the text
    // changed since (lineChangedNone when it did not).
    static constexpr qsizetype lineChangedNone = std::numeric_limits<qsizetype>::max();
    qsizetype m_shownTopLine = 0;
    qsizetype m_changedFromLine = lineChangedNone;
    QRect m_shownCaret;
    bool m_everythingChanged = true;
    bool m_caretOn = false;
    // What the input method composes, not yet text, drawn at the caret: its
    // looks, and where its own caret stands and whether it shows.
    QString m_preedit;
    QList<QTextLayout::FormatRange> m_preeditFormats;
    int m_preeditCaret = 0;
    bool m_preeditCaretShown = true;
    // What the input method last heard: the caret's place and the selection.
    QRect m_toldCaretRect;
    qint64 m_toldCaret = -1;
    qint64 m_toldAnchor = -1;
    // A press this close after a double click selects the whole line.
    QElapsedTimer m_sinceDoubleClick;
    QPoint m_doubleClickPoint;
    bool m_mouseSelecting = false;
    bool m_syncingScrollBar = false;

    QBasicTimer m_blinkTimer;
    QBasicTimer m_frameTimer;
    bool m_framePending = false;
    QElapsedTimer m_sinceFrame;   // since the box was last brought up to date
    QBasicTimer m_scrollBarTimer; // brings a lagging scroll bar up to date
    QElapsedTimer m_sinceScrollBarSync;
    QBasicTimer m_rewrapTimer;
    std::unique_ptr<TextBoxChangeReport> m_changeReport;
};

#pragma once

#include "chunkedtext.h"
#include "linewrap.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QFont>
#include <QString>
#include <QStringView>

// The receive box: a multi-line text box with a vertical scroll bar that
// stays quick however much text it holds and however long its lines are.
//
// The text lives in pieces (ChunkedText); the lines are wrapped as the text
// grows (WrappedLines looks at the last line only), and only the lines in
// view are laid out and drawn. It behaves as a text box otherwise: caret,
// selection with mouse and keyboard, Ctrl+A, Ctrl+C, typing and pasting.
//
// CR LF, a lone LF and a lone CR each break the line on screen. Other control
// characters show as their Control Pictures symbol (NUL as U+2400) and never
// break a line. Text is never read as markup.
class ReceiveView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit ReceiveView(QWidget *parent = nullptr);
    ~ReceiveView() override;

    // Adds text at the end; the caret and the selection stay where they are.
    void appendText(QStringView piece);
    // The text as received and typed: a CR LF is two characters.
    QString text() const;
    qint64 length() const { return m_text.size(); }
    void clearText();
    // Caret to the end of the text (the selection goes), brought into view.
    void moveCaretToEnd();

    // Start of the selection, or the caret when nothing is selected.
    qint64 selStart() const;
    // Puts the caret at position (clamped to the text) with nothing selected.
    void setSelStart(qint64 position);
    qint64 selLength() const;
    QString selectedText() const;

    // The edit commands, as their keys and the edit menu run them. The box
    // keeps no undo history.
    void cut();
    void copy() const;
    void paste();
    void deleteSelection();
    void selectAll();

    // The lines on screen, for those who look at the box from outside.
    qsizetype lineCount() const { return m_lines.count(); }
    // A line as drawn: without its line break, control characters as symbols.
    QString shownLine(qsizetype line) const;
    qsizetype firstVisibleLine() const { return m_topLine; }
    qsizetype visibleLineCount() const;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

private:
    enum class Move { Stay, Extend };

    void applyFont();
    void updateWidthLimit();
    void rewrapPortion();
    qreal widthLimitFor(int viewportWidth) const;

    qint64 lineEnd(qsizetype line) const;
    qint64 contentEnd(qsizetype line) const;
    qint64 drawnEnd(qsizetype line) const;
    bool isCaretStop(qint64 position) const;
    qint64 nextCaretStop(qint64 position) const;
    qint64 previousCaretStop(qint64 position) const;
    qint64 nextWordStart(qint64 position) const;
    qint64 previousWordStart(qint64 position) const;
    qreal xInLine(qsizetype line, qint64 position) const;
    qint64 positionInLine(qsizetype line, qreal x) const;
    qint64 positionAt(QPoint viewportPoint) const;
    QRect caretRect() const;

    bool handleNavigation(QKeyEvent *event);
    bool handleEditing(QKeyEvent *event);
    bool isOwnShortcut(QKeyEvent *event) const;
    void moveCaret(qint64 position, Move move, bool keepColumn = false);
    void moveCaretByLines(qsizetype lines, Move move);
    void replaceSelection(QStringView text);
    void selectWordAt(qint64 position);

    void setTopLine(qsizetype line);
    void ensureCaretVisible();
    void scheduleFrame();
    void showNow();
    void syncScrollBar();
    void restartBlink();

    mutable GlyphAdvances m_advances;
    ChunkedText m_text;
    WrappedLines m_lines;
    QFont m_drawFont;
    int m_lineHeight = 1;
    qreal m_ascent = 0;
    qreal m_breakMarkWidth = 0;

    qint64 m_caret = 0;
    qint64 m_anchor = 0;
    qreal m_preferredX = -1;
    qsizetype m_topLine = 0;
    bool m_caretOn = false;
    bool m_mouseSelecting = false;
    bool m_syncingScrollBar = false;

    QBasicTimer m_blinkTimer;
    QBasicTimer m_frameTimer;
    QElapsedTimer m_sinceFrame; // since the box was last brought up to date
    QBasicTimer m_rewrapTimer;
};

#include "receive/receiveview.h"

#include "receive/bandedstyle.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintEvent>
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

} // namespace

ReceiveView::ReceiveView(QWidget *parent) : QAbstractScrollArea(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(1);
    // The bar changes with every frame of a stream: drawn on a background of
    // its own, it does not have the window and the split bar behind it drawn
    // again each time.
    verticalScrollBar()->setAutoFillBackground(true);
    auto *barStyle = new BandedStyle;
    barStyle->setParent(verticalScrollBar());
    verticalScrollBar()->setStyle(barStyle);
    m_sinceFrame.start();
    applyFont();
}

ReceiveView::~ReceiveView() = default;

// ---- the interface of the box ----

void ReceiveView::appendText(QStringView piece)
{
    if (piece.isEmpty())
        return;
    m_changedFromLine = std::min(m_changedFromLine, m_text.lineCount() - 1);
    m_text.append(piece);
    scheduleFrame();
}

void ReceiveView::appendHex(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    m_changedFromLine = std::min(m_changedFromLine, m_text.lineCount() - 1);
    m_text.appendHex(bytes);
    scheduleFrame();
}

void ReceiveView::clearText()
{
    m_text.clear();
    m_rewrapTimer.stop();
    m_topLine = 0;
    m_everythingChanged = true;
    scheduleFrame();
}

void ReceiveView::moveCaretToEnd()
{
    // Without a selection only the caret moves; a selection goes from view.
    m_everythingChanged = m_everythingChanged || selLength() > 0;
    m_text.moveCaretToEnd();
    ensureCaretVisible();
    scheduleFrame();
}

void ReceiveView::setSelStart(qint64 position)
{
    m_text.setSelStart(position);
    m_everythingChanged = true;
    ensureCaretVisible();
    scheduleFrame();
}

qsizetype ReceiveView::visibleLineCount() const
{
    return std::max(1, (viewport()->height() - textMargin) / m_lineHeight);
}

qint64 ReceiveView::positionAt(QPoint viewportPoint) const
{
    const int row =
        viewportPoint.y() < textMargin ? -1 : (viewportPoint.y() - textMargin) / m_lineHeight;
    const qsizetype line = std::clamp<qsizetype>(m_topLine + row, 0, m_text.lineCount() - 1);
    return m_text.positionInLine(line, viewportPoint.x() - textMargin);
}

QRect ReceiveView::caretRect() const
{
    const qsizetype line = m_text.lineAt(m_text.caret());
    const int x = textMargin + qFloor(m_text.xInLine(line, m_text.caret()));
    return QRect(x, rowTop(line), 1, m_lineHeight);
}

// Where a line is drawn while the screen shows m_shownTopLine at the top; a
// line out of view lies just above or below it.
int ReceiveView::rowTop(qsizetype line) const
{
    const qsizetype rowsInView = viewport()->height() / m_lineHeight + 1;
    const qsizetype row = std::clamp<qsizetype>(line - m_shownTopLine, -1, rowsInView);
    return textMargin + int(row) * m_lineHeight;
}

// ---- look ----

void ReceiveView::applyFont()
{
    m_drawFont = font();
    // Without kerning a line is as wide as the widths of its characters.
    m_drawFont.setKerning(false);
    m_rowPainter.setFont(m_drawFont);
    const QFontMetricsF metrics(m_drawFont);
    m_lineHeight = std::max(1, qCeil(metrics.lineSpacing()));
    m_ascent = metrics.ascent() + metrics.leading() / 2;
    m_breakMarkWidth = metrics.horizontalAdvance(QLatin1Char(' '));
    m_text.setMeasure(
        [metrics](QStringView text) { return metrics.horizontalAdvance(text.toString()); });
    updateWidthLimit();
    syncScrollBar();
    repaintAll();
}

qreal ReceiveView::widthLimitFor(int viewportWidth) const
{
    // One pixel to spare for the caret after the last character.
    return std::max<qreal>(1, viewportWidth - 2 * textMargin - 1);
}

void ReceiveView::updateWidthLimit()
{
    const qreal limit = widthLimitFor(viewport()->width());
    if (qFuzzyCompare(limit, m_text.widthLimit()))
        return;
    m_text.beginRewrap(limit);
    rewrapPortion();
}

// Wraps the next portion of the text at the new width, keeping the line at
// the top in view (or the end, when the end was in view).
void ReceiveView::rewrapPortion()
{
    const bool atBottom = m_topLine + visibleLineCount() >= m_text.lineCount();
    const qint64 topPosition = m_text.lineStart(m_topLine);
    if (m_text.continueRewrap(rewrapPortionSize))
        m_rewrapTimer.start(0, this);
    else
        m_rewrapTimer.stop();
    setTopLine(atBottom ? m_text.lineCount() : m_text.lineAt(topPosition));
    m_everythingChanged = true;
    showNow();
}
void ReceiveView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    painter.setFont(m_drawFont);
    const QPalette::ColorGroup group = !isEnabled()       ? QPalette::Disabled
                                       : isActiveWindow() ? QPalette::Active
                                                          : QPalette::Inactive;
    const QPalette colours = palette();
    const QColor textColour = colours.color(group, QPalette::Text);
    const QColor baseColour = colours.color(group, QPalette::Base);
    const QColor selectedColour = colours.color(group, QPalette::HighlightedText);
    const qint64 selectionStart = selStart();
    const qint64 selectionEnd = selectionStart + selLength();
    // Only the rows that the repaint reaches.
    const QRect dirty = event->rect();
    const int firstRow = std::max(0, (dirty.top() - textMargin) / m_lineHeight);
    const int bottom = std::min(viewport()->height(), dirty.bottom() + 1);

    int top = textMargin + firstRow * m_lineHeight;
    for (qsizetype line = m_shownTopLine + firstRow; line < m_text.lineCount() && top < bottom;
         ++line, top += m_lineHeight) {
        const qint64 start = m_text.lineStart(line);
        const qint64 end = m_text.lineEnd(line);
        const qint64 contentStop = m_text.contentEnd(line);
        const qint64 drawnEnd = m_text.drawnEnd(line);
        const QString shown = m_text.shown(start, drawnEnd);
        const QPointF baseline(textMargin, top + m_ascent);
        // As far as the text reaches, and a little more for glyphs that
        // overhang their advance.
        const int width =
            std::min(viewport()->width(), textMargin + qCeil(m_text.xInLine(line, drawnEnd)) + 3);
        m_rowPainter.draw(painter, QRect(0, top, width, m_lineHeight), textMargin, m_ascent, shown,
                          textColour, baseColour);

        if (selectionStart >= selectionEnd || selectionStart >= end || selectionEnd <= start)
            continue;
        const qreal left = textMargin + m_text.xInLine(line, std::max(selectionStart, start));
        qreal right = textMargin + m_text.xInLine(line, std::min(selectionEnd, contentStop));
        if (selectionEnd > contentStop && end > contentStop)
            right += m_breakMarkWidth; // the line break is selected too
        if (right <= left)
            continue;
        const QRectF selected(left, top, right - left, m_lineHeight);
        painter.fillRect(selected, colours.brush(group, QPalette::Highlight));
        painter.save();
        painter.setFont(m_drawFont);
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
    m_everythingChanged = true;
    showNow();
}

void ReceiveView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        applyFont();
    else if (event->type() == QEvent::PaletteChange || event->type() == QEvent::EnabledChange)
        repaintAll();
}

// ---- scrolling and repainting ----

void ReceiveView::setTopLine(qsizetype line)
{
    const qsizetype last = std::max<qsizetype>(0, m_text.lineCount() - visibleLineCount());
    m_topLine = std::clamp<qsizetype>(line, 0, last);
}

void ReceiveView::ensureCaretVisible()
{
    const qsizetype line = m_text.lineAt(m_text.caret());
    const qsizetype visible = visibleLineCount();
    if (line < m_topLine)
        setTopLine(line);
    else if (line >= m_topLine + visible)
        setTopLine(line - visible + 1);
}

// Received data is shown as soon as the events waiting now are done, but at
// most once a frame: however many pieces arrive within a frame, the box is
// drawn once. A frame that is due goes in the queue of waiting events rather
// than on a timer, so that it comes before the window repaints what the same
// events changed elsewhere (the count), and all of it is drawn in one go.
void ReceiveView::scheduleFrame()
{
    if (m_framePending)
        return;
    m_framePending = true;
    const qint64 wait = frameInterval - m_sinceFrame.elapsed();
    if (wait > 0)
        m_frameTimer.start(int(wait), this);
    else
        QMetaObject::invokeMethod(this, &ReceiveView::showPendingFrame, Qt::QueuedConnection);
}

void ReceiveView::showPendingFrame()
{
    if (m_framePending)
        showNow();
}

// What the user does is shown at once.
void ReceiveView::showNow()
{
    m_frameTimer.stop();
    m_framePending = false;
    m_sinceFrame.start();
    syncScrollBar();
    repaintChanges();
}

void ReceiveView::repaintChanges()
{
    QWidget *area = viewport();
    const qsizetype shift = m_topLine - m_shownTopLine;
    const qsizetype rowsInView = (area->height() - textMargin) / m_lineHeight + 1;
    if (m_everythingChanged || std::abs(shift) >= rowsInView) {
        repaintAll();
        return;
    }
    const int dy = -int(shift) * m_lineHeight;
    if (shift != 0) {
        // The margin above the first row stays blank: only the rows move.
        area->scroll(0, dy, QRect(0, textMargin, area->width(), area->height() - textMargin));
        m_shownTopLine = m_topLine;
    }
    if (m_changedFromLine != lineChangedNone) {
        const int top = rowTop(std::max(m_changedFromLine, m_topLine));
        area->update(0, top, area->width(), area->height() - top);
        m_changedFromLine = lineChangedNone;
    }
    area->update(m_shownCaret.translated(0, dy));
    m_shownCaret = caretRect();
    area->update(m_shownCaret);
}

void ReceiveView::repaintAll()
{
    m_everythingChanged = false;
    m_changedFromLine = lineChangedNone;
    m_shownTopLine = m_topLine;
    m_shownCaret = caretRect();
    viewport()->update();
}

void ReceiveView::syncScrollBar()
{
    QScrollBar *bar = verticalScrollBar();
    const qsizetype visible = visibleLineCount();
    setTopLine(m_topLine);
    m_syncingScrollBar = true;
    bar->setRange(0, int(std::max<qsizetype>(0, m_text.lineCount() - visible)));
    bar->setPageStep(int(visible));
    bar->setValue(int(m_topLine));
    m_syncingScrollBar = false;
}

void ReceiveView::scrollContentsBy(int, int)
{
    // The user scrolled; the box's own changes of the bar repaint themselves.
    if (!m_syncingScrollBar) {
        m_topLine = verticalScrollBar()->value();
        repaintChanges();
    }
}

void ReceiveView::wheelEvent(QWheelEvent *event)
{
    if (m_framePending)
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
        viewport()->update(m_shownCaret);
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

void ReceiveView::caretMoved()
{
    ensureCaretVisible();
    restartBlink();
    m_everythingChanged = true;
    showNow();
}

void ReceiveView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    repaintAll();
}

void ReceiveView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    m_blinkTimer.stop();
    m_caretOn = false;
    repaintAll();
}

#include "receive/receiveview.h"

#include <QFontMetricsF>
#include <QGuiApplication>
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
    m_sinceFrame.start();
    applyFont();
}

ReceiveView::~ReceiveView() = default;

// ---- the interface of the box ----

void ReceiveView::appendText(QStringView piece)
{
    if (piece.isEmpty())
        return;
    m_text.append(piece);
    scheduleFrame();
}

void ReceiveView::appendHex(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    m_text.appendHex(bytes);
    scheduleFrame();
}

void ReceiveView::clearText()
{
    m_text.clear();
    m_rewrapTimer.stop();
    m_topLine = 0;
    scheduleFrame();
}

void ReceiveView::moveCaretToEnd()
{
    m_text.moveCaretToEnd();
    ensureCaretVisible();
    scheduleFrame();
}

void ReceiveView::setSelStart(qint64 position)
{
    m_text.setSelStart(position);
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
    m_text.setMeasure(
        [metrics](QStringView text) { return metrics.horizontalAdvance(text.toString()); });
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
    for (qsizetype line = m_topLine; line < m_text.lineCount() && top < bottom;
         ++line, top += m_lineHeight) {
        const qint64 start = m_text.lineStart(line);
        const qint64 end = m_text.lineEnd(line);
        const qint64 contentStop = m_text.contentEnd(line);
        const QString shown = m_text.shown(start, m_text.drawnEnd(line));
        const QPointF baseline(textMargin, top + m_ascent);
        painter.setPen(textColour);
        painter.drawText(baseline, shown);

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
    bar->setRange(0, int(std::max<qsizetype>(0, m_text.lineCount() - visible)));
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

void ReceiveView::caretMoved()
{
    ensureCaretVisible();
    restartBlink();
    showNow();
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

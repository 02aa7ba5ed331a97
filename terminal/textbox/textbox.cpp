#include "textbox/textbox.h"

#include "textbox/textboxaccessible.h"
#include "widgets/bandedstyle.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScrollBar>
#include <QStyleHints>
#include <QtMath>

#include <algorithm>

namespace {

// Data that arrives quickly is shown at most this often (milliseconds).
constexpr int frameInterval = 16;
// While data streams in, the scroll bar follows with the first frame this
// long (milliseconds) after it last did: about every third frame of a
// stream. Its slider changes with every frame, and drawing it cost an eighth
// of the frame; ten steps a second look like movement, and the text keeps
// every frame.
constexpr int scrollBarInterval = 80;
// Characters wrapped again in one go after the width changed; the rest
// follows between other events.
constexpr qint64 rewrapPortionSize = 1 << 20;

} // namespace

TextBox::TextBox(QWidget *parent)
    : QAbstractScrollArea(parent),
      m_changeReport(std::make_unique<TextBoxChangeReport>(this, m_text))
{
    TextBoxAccessible::installFactory();
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
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
    // A bar that lags a stream is brought up to date before the user acts on it.
    verticalScrollBar()->installEventFilter(this);
    m_sinceFrame.start();
    m_sinceScrollBarSync.start();
    m_text.setUndoEnabled(true);
    applyFont();
}

TextBox::~TextBox() = default;

// ---- the interface of the box ----

void TextBox::appendText(QStringView piece)
{
    if (piece.isEmpty())
        return;
    m_changedFromLine = std::min(m_changedFromLine, m_text.lineCount() - 1);
    m_changeReport->appending(m_text.size());
    m_text.append(piece);
    scheduleFrame();
}

void TextBox::appendHex(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    m_changedFromLine = std::min(m_changedFromLine, m_text.lineCount() - 1);
    m_changeReport->appending(m_text.size());
    m_text.appendHex(bytes);
    scheduleFrame();
}

void TextBox::setText(QStringView text)
{
    m_changeReport->aboutToReplaceAll();
    m_text.setText(text);
    m_changeReport->replacedAll();
    m_rewrapTimer.stop();
    m_topLine = 0;
    m_everythingChanged = true;
    showNow();
}

void TextBox::clearText()
{
    m_changeReport->aboutToReplaceAll();
    m_text.clear();
    m_changeReport->replacedAll();
    m_rewrapTimer.stop();
    m_topLine = 0;
    m_everythingChanged = true;
    scheduleFrame();
}

void TextBox::moveCaretToEnd()
{
    // Without a selection only the caret moves; a selection goes from view.
    m_everythingChanged = m_everythingChanged || selLength() > 0;
    m_text.moveCaretToEnd();
    ensureCaretVisible();
    scheduleFrame();
}

void TextBox::setSelStart(qint64 position)
{
    m_text.setSelStart(position);
    m_everythingChanged = true;
    ensureCaretVisible();
    scheduleFrame();
}

qsizetype TextBox::visibleLineCount() const
{
    return std::max(1, (viewport()->height() - textMargin) / m_lineHeight);
}

qint64 TextBox::positionAt(QPoint viewportPoint) const
{
    const int row =
        viewportPoint.y() < textMargin ? -1 : (viewportPoint.y() - textMargin) / m_lineHeight;
    const qsizetype line = std::clamp<qsizetype>(m_topLine + row, 0, m_text.lineCount() - 1);
    return m_text.positionInLine(line, viewportPoint.x() - textMargin);
}

// ---- look ----

void TextBox::applyFont()
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

qreal TextBox::widthLimitFor(int viewportWidth) const
{
    // One pixel to spare for the caret after the last character.
    return std::max<qreal>(1, viewportWidth - 2 * textMargin - 1);
}

void TextBox::updateWidthLimit()
{
    const qreal limit = widthLimitFor(viewport()->width());
    if (qFuzzyCompare(limit, m_text.widthLimit()))
        return;
    m_text.beginRewrap(limit);
    rewrapPortion();
}

// Wraps the next portion of the text at the new width, keeping the line at
// the top in view (or the end, when the end was in view).
void TextBox::rewrapPortion()
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
void TextBox::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateWidthLimit();
    m_everythingChanged = true;
    showNow();
}

void TextBox::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        applyFont();
    else if (event->type() == QEvent::PaletteChange || event->type() == QEvent::EnabledChange)
        repaintAll();
}

// ---- scrolling and repainting ----

void TextBox::setTopLine(qsizetype line)
{
    const qsizetype last = std::max<qsizetype>(0, m_text.lineCount() - visibleLineCount());
    m_topLine = std::clamp<qsizetype>(line, 0, last);
}

void TextBox::ensureCaretVisible()
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
void TextBox::scheduleFrame()
{
    if (m_framePending)
        return;
    m_framePending = true;
    const qint64 wait = frameInterval - m_sinceFrame.elapsed();
    if (wait > 0)
        m_frameTimer.start(int(wait), this);
    else
        QMetaObject::invokeMethod(this, &TextBox::showPendingFrame, Qt::QueuedConnection);
}

void TextBox::showPendingFrame()
{
    if (m_framePending)
        showFrame(ScrollBarSync::Paced);
}

// What the user does is shown at once, the scroll bar with it.
void TextBox::showNow()
{
    showFrame(ScrollBarSync::Now);
}

void TextBox::showFrame(ScrollBarSync barSync)
{
    m_frameTimer.stop();
    m_framePending = false;
    m_sinceFrame.start();
    setTopLine(m_topLine);
    if (barSync == ScrollBarSync::Now || m_sinceScrollBarSync.elapsed() >= scrollBarInterval)
        syncScrollBar(); // in the same repaint as the text
    else if (!m_scrollBarTimer.isActive())
        m_scrollBarTimer.start(scrollBarInterval, this); // for when the stream stops
    repaintChanges();
    m_changeReport->frameShown();
    tellInputMethod();
}

bool TextBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == verticalScrollBar() && m_scrollBarTimer.isActive()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
            syncScrollBar();
            break;
        default:
            break;
        }
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

void TextBox::syncScrollBar()
{
    m_scrollBarTimer.stop();
    m_sinceScrollBarSync.start();
    QScrollBar *bar = verticalScrollBar();
    const qsizetype visible = visibleLineCount();
    setTopLine(m_topLine);
    m_syncingScrollBar = true;
    bar->setRange(0, int(std::max<qsizetype>(0, m_text.lineCount() - visible)));
    bar->setPageStep(int(visible));
    bar->setValue(int(m_topLine));
    m_syncingScrollBar = false;
}

void TextBox::scrollContentsBy(int, int)
{
    // The user scrolled; the box's own changes of the bar repaint themselves.
    if (!m_syncingScrollBar) {
        m_topLine = verticalScrollBar()->value();
        repaintChanges();
        tellInputMethod();
    }
}

void TextBox::wheelEvent(QWheelEvent *event)
{
    if (m_framePending)
        showNow();
    QAbstractScrollArea::wheelEvent(event);
}

void TextBox::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_frameTimer.timerId()) {
        showFrame(ScrollBarSync::Paced);
    } else if (event->timerId() == m_scrollBarTimer.timerId()) {
        syncScrollBar();
    } else if (event->timerId() == m_rewrapTimer.timerId()) {
        rewrapPortion();
    } else if (event->timerId() == m_blinkTimer.timerId()) {
        m_caretOn = !m_caretOn;
        viewport()->update(m_shownCaret);
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

void TextBox::restartBlink()
{
    m_caretOn = true;
    const int flashTime = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flashTime >= 2)
        m_blinkTimer.start(flashTime / 2, this);
    else
        m_blinkTimer.stop();
}

void TextBox::caretMoved()
{
    m_toldCaret = -1; // the text around the caret may have changed too
    ensureCaretVisible();
    restartBlink();
    m_everythingChanged = true;
    showNow();
}

void TextBox::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    repaintAll();
}

void TextBox::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    m_blinkTimer.stop();
    m_caretOn = false;
    repaintAll();
}

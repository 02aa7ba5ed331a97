// Drawing the text box: the rows in view, the selection and the caret, and
// bringing the screen up to date with as little drawing as it takes.
#include "textbox/textbox.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTextLayout>
#include <QtMath>

#include <algorithm>

void TextBox::paintEvent(QPaintEvent *event)
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

    if (!m_preedit.isEmpty()) {
        // At the caret, with the looks the input method gives its parts
        // (underlined at least); the rest of the line moves aside for it, as
        // in Qt's own text fields.
        QTextLayout layout;
        layOutPreedit(layout);
        const qint64 caret = m_text.caret();
        const qsizetype line = m_text.lineAt(caret);
        const int left = textMargin + qFloor(m_text.xInLine(line, caret));
        const int top = rowTop(line);
        const int right = left + qCeil(layout.lineAt(0).naturalTextWidth());
        painter.fillRect(QRect(left, top, viewport()->width() - left, m_lineHeight), baseColour);
        painter.setPen(textColour);
        layout.draw(&painter, QPointF(left, top));
        const QString rest = m_text.shown(caret, m_text.drawnEnd(line));
        if (!rest.isEmpty() && right < viewport()->width())
            m_rowPainter.draw(painter, QRect(right, top, viewport()->width() - right, m_lineHeight),
                              0, m_ascent, rest, textColour, baseColour);
    }

    const bool caretShown = m_preedit.isEmpty() || m_preeditCaretShown;
    if (m_caretOn && hasFocus() && selectionStart == selectionEnd && caretShown) {
        const QRect caret = caretRect();
        if (caret.bottom() >= 0 && caret.top() < bottom)
            painter.fillRect(caret, textColour);
    }
}

void TextBox::layOutPreedit(QTextLayout &layout) const
{
    layout.setText(m_preedit);
    layout.setFont(m_drawFont);
    QTextLayout::FormatRange underlined;
    underlined.start = 0;
    underlined.length = int(m_preedit.size());
    underlined.format.setFontUnderline(true);
    QList<QTextLayout::FormatRange> formats{underlined};
    formats.append(m_preeditFormats);
    layout.setFormats(formats);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    line.setPosition(QPointF(0, m_ascent - line.ascent()));
}

QRect TextBox::caretRect() const
{
    const qsizetype line = m_text.lineAt(m_text.caret());
    qreal x = textMargin + qFloor(m_text.xInLine(line, m_text.caret()));
    if (!m_preedit.isEmpty()) {
        QTextLayout layout;
        layOutPreedit(layout);
        x += layout.lineAt(0).cursorToX(m_preeditCaret);
    }
    return QRect(qFloor(x), rowTop(line), 1, m_lineHeight);
}

// Where a line is drawn while the screen shows m_shownTopLine at the top; a
// line out of view lies just above or below it.
int TextBox::rowTop(qsizetype line) const
{
    const qsizetype rowsInView = viewport()->height() / m_lineHeight + 1;
    const qsizetype row = std::clamp<qsizetype>(line - m_shownTopLine, -1, rowsInView);
    return textMargin + int(row) * m_lineHeight;
}

void TextBox::repaintChanges()
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

void TextBox::repaintAll()
{
    m_everythingChanged = false;
    m_changedFromLine = lineChangedNone;
    m_shownTopLine = m_topLine;
    m_shownCaret = caretRect();
    viewport()->update();
}

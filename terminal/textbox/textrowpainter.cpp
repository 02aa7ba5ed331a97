#include "textbox/textrowpainter.h"

#include <QFontMetricsF>
#include <QImage>
#include <QtMath>

void TextRowPainter::setFont(const QFont &font)
{
    m_font = font;
    m_unshaped.setFont(font);
    m_checks.clear();
}

bool TextRowPainter::drawsGlyphRuns(qreal devicePixelRatio, qreal baseline)
{
    for (const Check &check : m_checks) {
        if (check.devicePixelRatio == devicePixelRatio && check.baseline == baseline)
            return check.glyphRunsExact;
    }
    const bool exact = glyphRunsExact(devicePixelRatio, baseline);
    m_checks.push_back({devicePixelRatio, baseline, exact});
    return exact;
}

// A sample row of the font's own plain characters, drawn both ways on an
// opaque image (where Qt blends subpixel antialiasing as on screen). Checked
// when the font first draws a row, not when it is set: a box is given a font
// more than once before it is shown.
bool TextRowPainter::glyphRunsExact(qreal devicePixelRatio, qreal baseline)
{
    QString sample;
    for (char16_t c = 0x21; c < 0x7F; ++c)
        sample += QChar(c);
    sample += u" fi ffl AV To 中文串口调试：，。"_qs;
    QString plain;
    QGlyphRun run;
    for (const QChar c : std::as_const(sample)) {
        if (m_unshaped.layOut(QStringView(&c, 1), QPointF(), run))
            plain += c;
    }
    const int indent = 2;
    if (!m_unshaped.layOut(plain, QPointF(indent, baseline), run))
        return false;
    const QFontMetricsF metrics(m_font);
    const QSize size(qCeil(metrics.horizontalAdvance(plain)) + 2 * indent + 4,
                     qCeil(metrics.lineSpacing() + baseline));
    const auto drawn = [&](const auto &draw) {
        QImage image((QSizeF(size) * devicePixelRatio).toSize(), QImage::Format_RGB32);
        image.setDevicePixelRatio(devicePixelRatio);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(m_font);
        painter.setPen(Qt::black);
        draw(painter);
        painter.end();
        return image;
    };
    return drawn([&](QPainter &painter) { painter.drawGlyphRun(QPointF(), run); }) ==
           drawn([&](QPainter &painter) { painter.drawText(QPointF(indent, baseline), plain); });
}

void TextRowPainter::draw(QPainter &painter, const QRect &row, int indent, qreal baseline,
                          QStringView text, const QColor &colour)
{
    if (text.isEmpty())
        return;
    // Within the row: a glyph that reaches past its line would otherwise look
    // different when only its own row is drawn again.
    painter.save();
    painter.setClipRect(row, Qt::IntersectClip);
    painter.setPen(colour);
    const QPointF origin(row.left() + indent, row.top() + baseline);
    if (drawsGlyphRuns(painter.device()->devicePixelRatio(), baseline) &&
        m_unshaped.layOut(text, origin, m_run)) {
        painter.drawGlyphRun(QPointF(), m_run);
    } else {
        painter.setFont(m_font);
        painter.drawText(origin, text.toString());
    }
    painter.restore();
}

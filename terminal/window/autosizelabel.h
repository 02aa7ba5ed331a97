#pragma once

#include <QLabel>

// A label whose size follows its caption: it is never smaller than the size
// it was placed with, and grows to the right and down to show the whole
// caption. Captions are plain text, never markup.
class AutoSizeLabel : public QLabel
{
    Q_OBJECT

public:
    explicit AutoSizeLabel(const QString &text, QWidget *parent = nullptr);

    // Hides QLabel::setText so that every caption change resizes the label.
    void setText(const QString &text);

    // Takes the current geometry as the smallest size, then fits the caption.
    void placeAt(const QRect &geometry);
    // The size it was placed with, which it never gets smaller than.
    QSize placedSize() const { return m_placedSize; }

    // Keeps every caption within `widthPixels`: the font set now is narrowed
    // only as far as the caption of the moment needs, so a short caption
    // keeps the full font and a long one still shows whole.
    void keepWithin(int widthPixels);

protected:
    void changeEvent(QEvent *event) override;

private:
    void fitCaption();

    QSize m_placedSize;
    int m_roomWidth = 0;
    QFont m_fullFont;
    qsizetype m_fittedLength = -1; // the caption length the font was fitted for
};

// The font nearest to `font` in which `sample` shows whole inside `box`: the
// largest pixel size whose line height fits the box's height, then condensed
// as far as the sample needs to fit the box's width.
QFont fittedFont(QFont font, const QString &sample, QSize box);

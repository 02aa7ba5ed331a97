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

protected:
    void changeEvent(QEvent *event) override;

private:
    void fitCaption();

    QSize m_placedSize;
};

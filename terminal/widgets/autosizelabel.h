#pragma once

#include "widgets/unshapedtext.h"

#include <QGlyphRun>
#include <QLabel>

// A label whose size follows its caption: it is never smaller than the size
// it was placed with, and grows to the right and down to show the whole
// caption, as far as its room allows; a caption that needs more is drawn in
// a font fitted to the room. Captions are plain text, never markup.
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

    // The font the caption is drawn in whenever the room allows.
    void setFullFont(const QFont &font);
    // How far the label may grow. Captions here are counts (digits of one
    // width) or never change, so the font is fitted again only when the
    // room or the caption's length changes.
    void setRoom(QSize room);

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void fitCaption();
    bool layOutGlyphs();

    // The caption as glyphs, for the captions that need no shaping: a count
    // that streams in changes with every frame, and QLabel lays out and
    // shapes its text again each time it is drawn.
    UnshapedText m_unshaped;
    QGlyphRun m_glyphs;
    QString m_glyphsCaption;
    bool m_glyphsFontKnown = false;
    bool m_glyphsValid = false;

    QSize m_placedSize;
    QSize m_room;
    QFont m_fullFont;
    QSize m_fittedRoom;            // the room the font was fitted to
    qsizetype m_fittedLength = -1; // the caption length the font was fitted for
};

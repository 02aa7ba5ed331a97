#pragma once

#include <QComboBox>

// An editable drop-down combo box that behaves like a classic drop-down
// combo: typing into the text leaves no item chosen (currentIndex() -1) and
// keeps the typed text, typed text never becomes an item nor chooses one,
// and choosing an item (from the list, with the arrow keys or the wheel, or
// by chooseIndex()) puts it into the text. Keys and the wheel that find no
// item, and a list closed without a choice, leave the typed text standing.
//
// Every item shows whole in the edit field, beside an arrow button no wider
// than its arrow (see ControlStyle); where that is not enough, the font is
// fitted to the field. Typed text longer than the field scrolls.
class DropDownCombo : public QComboBox
{
    Q_OBJECT

public:
    explicit DropDownCombo(QWidget *parent = nullptr);

    // Chooses the item (-1: none) as a user's choice would.
    void chooseIndex(int index);

    // No item chosen, the given text shown.
    void showUnchosenText(const QString &text);

    void showPopup() override;

signals:
    // Just before the list drops down: a chance to refresh item details.
    void popupAboutToShow();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void forgetChoiceKeepingText();
    void fitItemsToEditField();

    QFont m_fullFont;
    bool m_fullFontKnown = false;
};

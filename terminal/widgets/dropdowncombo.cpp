#include "widgets/dropdowncombo.h"

#include "widgets/captionfit.h"
#include "widgets/controlstyle.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>

DropDownCombo::DropDownCombo(QWidget *parent) : QComboBox(parent)
{
    setStyle(ControlStyle::instance());
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setMaxVisibleItems(12);
    // When editing finishes (Return, the focus leaving the text, the list
    // dropping down) QComboBox makes the item that matches the typed text
    // current. Typed text stays typed text here, so QComboBox's handlers of
    // the text's editingFinished and returnPressed are disconnected.
    disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
    disconnect(lineEdit(), &QLineEdit::returnPressed, this, nullptr);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] {
        if (currentIndex() != -1)
            forgetChoiceKeepingText();
    });
}

void DropDownCombo::showUnchosenText(const QString &text)
{
    const QSignalBlocker blocker(this);
    setCurrentIndex(-1);
    setEditText(text);
}

void DropDownCombo::chooseIndex(int index)
{
    setCurrentIndex(index);
}

void DropDownCombo::forgetChoiceKeepingText()
{
    QLineEdit *edit = lineEdit();
    const QString text = edit->text();
    const int cursor = edit->cursorPosition();
    {
        const QSignalBlocker blocker(this);
        setCurrentIndex(-1);
    }
    edit->setText(text);
    edit->setCursorPosition(cursor);
}

void DropDownCombo::showPopup()
{
    emit popupAboutToShow();
    QComboBox::showPopup();
}

void DropDownCombo::resizeEvent(QResizeEvent *event)
{
    QComboBox::resizeEvent(event);
    fitItemsToEditField();
}

// The window's font unless an item needs a smaller one to show whole.
void DropDownCombo::fitItemsToEditField()
{
    if (!m_fullFontKnown) {
        m_fullFont = font();
        m_fullFontKnown = true;
    }
    QStringList texts;
    for (int i = 0; i < count(); ++i)
        texts << itemText(i);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    const QSize room(captionfit::lineEditTextWidth(field.width()), field.height());
    setFont(captionfit::fittedFont(m_fullFont, texts, room));
}

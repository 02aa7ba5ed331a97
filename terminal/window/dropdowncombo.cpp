#include "window/dropdowncombo.h"

#include <QLineEdit>
#include <QSignalBlocker>

DropDownCombo::DropDownCombo(QWidget *parent) : QComboBox(parent)
{
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

#include "dropdowncombo.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

DropDownCombo::DropDownCombo(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setMaxVisibleItems(12);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] {
        m_typed = true;
        if (currentIndex() != -1)
            forgetChoiceKeepingText();
    });
    connect(this, &QComboBox::currentIndexChanged, this, &DropDownCombo::guardTypedText);
}

void DropDownCombo::showUnchosenText(const QString &text)
{
    const QSignalBlocker blocker(this);
    setCurrentIndex(-1);
    setEditText(text);
    m_typed = true;
}

void DropDownCombo::chooseIndex(int index)
{
    m_typed = false;
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

// QComboBox picks the item whose text matches the typed text when editing
// finishes; a typed text must stay a typed text.
void DropDownCombo::guardTypedText(int index)
{
    if (index == -1) {
        return;
    }
    if (m_typed && !view()->isVisible())
        forgetChoiceKeepingText();
    else
        m_typed = false;
}

void DropDownCombo::showPopup()
{
    emit popupAboutToShow();
    QComboBox::showPopup();
}

void DropDownCombo::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        m_typed = false;
        break;
    default:
        break;
    }
    QComboBox::keyPressEvent(event);
}

void DropDownCombo::wheelEvent(QWheelEvent *event)
{
    m_typed = false;
    QComboBox::wheelEvent(event);
}

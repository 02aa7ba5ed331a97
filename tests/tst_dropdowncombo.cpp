#include "dropdowncombo.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class tst_DropDownCombo : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startsWithNoItemChosen();
    void typingForgetsTheChoiceAndKeepsTheText();
    void typedTextMatchingAnItemStaysTyped();
    void typedTextNeverBecomesAnItem();
    void choosingPutsTheItemIntoTheText();

private:
    QWidget *m_window = nullptr;
    DropDownCombo *m_combo = nullptr;
    QPushButton *m_next = nullptr;
};

void tst_DropDownCombo::init()
{
    m_window = new QWidget;
    m_combo = new DropDownCombo(m_window);
    m_combo->addItems({"300", "4800", "9600"});
    m_combo->showUnchosenText("4800");
    m_next = new QPushButton("next", m_window);
    m_next->move(0, 40);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_combo->setFocus();
}

void tst_DropDownCombo::cleanup()
{
    delete m_window;
}

void tst_DropDownCombo::startsWithNoItemChosen()
{
    QCOMPARE(m_combo->currentIndex(), -1);
    QCOMPARE(m_combo->currentText(), QStringLiteral("4800"));
    // Leaving the box with the start text that matches an item chooses nothing.
    m_next->setFocus();
    QCOMPARE(m_combo->currentIndex(), -1);
}

void tst_DropDownCombo::typingForgetsTheChoiceAndKeepsTheText()
{
    m_combo->chooseIndex(2);
    QCOMPARE(m_combo->currentText(), QStringLiteral("9600"));
    m_combo->lineEdit()->end(false);
    QTest::keyClick(m_combo->lineEdit(), Qt::Key_Backspace);
    QCOMPARE(m_combo->currentIndex(), -1);
    QCOMPARE(m_combo->currentText(), QStringLiteral("960"));
    QTest::keyClicks(m_combo->lineEdit(), "1");
    QCOMPARE(m_combo->currentText(), QStringLiteral("9601"));
    QCOMPARE(m_combo->currentIndex(), -1);
}

void tst_DropDownCombo::typedTextMatchingAnItemStaysTyped()
{
    m_combo->lineEdit()->clear();
    QTest::keyClicks(m_combo->lineEdit(), "9600");
    QTest::keyClick(m_combo->lineEdit(), Qt::Key_Return);
    m_next->setFocus();
    QCOMPARE(m_combo->currentIndex(), -1);
    QCOMPARE(m_combo->currentText(), QStringLiteral("9600"));
}

void tst_DropDownCombo::typedTextNeverBecomesAnItem()
{
    m_combo->lineEdit()->clear();
    QTest::keyClicks(m_combo->lineEdit(), "12345");
    QTest::keyClick(m_combo->lineEdit(), Qt::Key_Return);
    m_next->setFocus();
    QCOMPARE(m_combo->count(), 3);
    QCOMPARE(m_combo->currentText(), QStringLiteral("12345"));
}

void tst_DropDownCombo::choosingPutsTheItemIntoTheText()
{
    m_combo->lineEdit()->clear();
    QTest::keyClicks(m_combo->lineEdit(), "abc");
    // The arrow keys choose from the list like a click in it.
    QTest::keyClick(m_combo, Qt::Key_Down);
    QVERIFY(m_combo->currentIndex() >= 0);
    QCOMPARE(m_combo->currentText(), m_combo->itemText(m_combo->currentIndex()));
    m_next->setFocus();
    QVERIFY(m_combo->currentIndex() >= 0);

    m_combo->chooseIndex(0);
    QCOMPARE(m_combo->currentText(), QStringLiteral("300"));
    m_combo->chooseIndex(-1);
    QCOMPARE(m_combo->currentIndex(), -1);
}

QTEST_MAIN(tst_DropDownCombo)
#include "tst_dropdowncombo.moc"

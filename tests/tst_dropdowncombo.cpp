#include "widgets/dropdowncombo.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>

namespace {

// What the user does after typing into the box.
enum class Gesture { UpKey, PageUpKey, DownKey, WheelUp, WheelDown, ListEscape, ListClick };

} // namespace

Q_DECLARE_METATYPE(Gesture)

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
    void onlyAChoiceEndsTheTypedText_data();
    void onlyAChoiceEndsTheTypedText();

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
    QVERIFY(QTest::qWaitForWindowActive(m_window));
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

void tst_DropDownCombo::onlyAChoiceEndsTheTypedText_data()
{
    QTest::addColumn<Gesture>("gesture");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QString>("shown");

    // Keys and the wheel that find no item above the typed text choose nothing.
    QTest::newRow("Up") << Gesture::UpKey << -1 << u"9600"_qs;
    QTest::newRow("PageUp") << Gesture::PageUpKey << -1 << u"9600"_qs;
    QTest::newRow("wheel up") << Gesture::WheelUp << -1 << u"9600"_qs;
    QTest::newRow("list closed with Escape") << Gesture::ListEscape << -1 << u"9600"_qs;
    // Those that move choose.
    QTest::newRow("Down") << Gesture::DownKey << 0 << u"300"_qs;
    QTest::newRow("wheel down") << Gesture::WheelDown << 0 << u"300"_qs;
    QTest::newRow("item clicked in the list") << Gesture::ListClick << 2 << u"9600"_qs;
}

void tst_DropDownCombo::onlyAChoiceEndsTheTypedText()
{
    QFETCH(Gesture, gesture);
    QFETCH(int, chosen);
    QFETCH(QString, shown);

    m_combo->lineEdit()->selectAll();
    QTest::keyClicks(m_combo->lineEdit(), "9600");
    const auto turnWheel = [this](int degrees) {
        const QPointF inside(m_combo->rect().center());
        QWheelEvent wheel(inside, m_combo->mapToGlobal(inside), {}, QPoint(0, degrees * 8),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_combo, &wheel);
    };
    switch (gesture) {
    case Gesture::UpKey:
        QTest::keyClick(m_combo, Qt::Key_Up);
        break;
    case Gesture::PageUpKey:
        QTest::keyClick(m_combo, Qt::Key_PageUp);
        break;
    case Gesture::DownKey:
        QTest::keyClick(m_combo, Qt::Key_Down);
        break;
    case Gesture::WheelUp:
        turnWheel(15);
        break;
    case Gesture::WheelDown:
        turnWheel(-15);
        break;
    case Gesture::ListEscape:
    case Gesture::ListClick:
        QTest::keyClick(m_combo, Qt::Key_F4);
        QTRY_VERIFY(m_combo->view()->isVisible());
        if (gesture == Gesture::ListEscape) {
            QTest::keyClick(m_combo->view(), Qt::Key_Escape);
        } else {
            const QRect item = m_combo->view()->visualRect(m_combo->model()->index(2, 0));
            QTest::mouseClick(m_combo->view()->viewport(), Qt::LeftButton, {}, item.center());
        }
        QTRY_VERIFY(!m_combo->view()->isVisible());
        break;
    }
    QCOMPARE(m_combo->currentIndex(), chosen);
    QCOMPARE(m_combo->currentText(), shown);

    // Leaving the box with Tab keeps it so.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), m_next);
    QCOMPARE(m_combo->currentIndex(), chosen);
    QCOMPARE(m_combo->currentText(), shown);
}

QTEST_MAIN(tst_DropDownCombo)
#include "tst_dropdowncombo.moc"

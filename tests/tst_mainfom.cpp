#include "common/numberederror.h"
#include "receive/receiveview.h"
#include "send/intervaltimer.h"
#include "send/sendbox.h"
#include "tests/support/intwips.h"
#include "window/appicon.h"
#include "window/autosizelabel.h"
#include "window/controlcolor.h"
#include "window/dropdowncombo.h"
#include "window/lampshape.h"
#include "window/linklabel.h"
#include "window/mainfom.h"
#include "window/qtchinesetexts.h"
#include "window/splitbar.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTest>
#include <QTimer>

namespace {

QString captionOf(const QWidget *widget)
{
    if (auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    if (auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (auto *frame = qobject_cast<const QGroupBox *>(widget))
        return frame->title();
    if (auto *edit = qobject_cast<const QLineEdit *>(widget))
        return edit->text();
    if (auto *combo = qobject_cast<const QComboBox *>(widget))
        return combo->currentText();
    return QString();
}

QString whereIs(const QWidget *control, const QString &caption)
{
    return QStringLiteral("%1 \"%2\" in %3 %4px")
        .arg(control->objectName(), caption, QFontInfo(control->font()).family())
        .arg(QFontInfo(control->font()).pixelSize());
}

QRect caretOf(QLineEdit *edit)
{
    return edit->inputMethodQuery(Qt::ImCursorRectangle).toRect();
}

// An edit box shows its text whole, from its first character to its last,
// even after a longer text had it scrolled: `show` puts the text in.
void verifyEditShowsWhole(const QWidget *control, QLineEdit *edit,
                          const std::function<void()> &show)
{
    edit->setText(QString());
    edit->grab(); // lays the text out as painting does
    const QRect home = caretOf(edit);
    edit->setText(QString(40, u'8'));
    edit->end(false);
    edit->grab();
    show();
    edit->end(false);
    edit->grab();
    const QRect atEnd = caretOf(edit);
    edit->home(false); // no painting in between: the scroll stays
    const QString where = whereIs(control, edit->text());
    QVERIFY2(caretOf(edit) == home, qPrintable(where + u" is scrolled"_qs));
    QVERIFY2(atEnd.center().x() < edit->width(), qPrintable(where + u" runs past the end"_qs));
    QStyleOptionFrame frame;
    frame.initFrom(edit);
    frame.lineWidth =
        edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
    const QRect contents = edit->style()->subElementRect(QStyle::SE_LineEditContents, &frame, edit);
    QVERIFY2(QFontMetrics(edit->font()).height() <= contents.height(),
             qPrintable(where + u" has taller lines"_qs));
}

// A caption shows whole: its lines no taller and its text no wider than the
// room the control leaves it where the style draws it, a tick box whole,
// a label clear of its neighbours and inside its container.
void verifyCaptionShowsWhole(QWidget *control, const QString &caption)
{
    QRect room;
    if (auto *combo = qobject_cast<QComboBox *>(control)) {
        for (int i = 0; i < combo->count(); ++i)
            verifyEditShowsWhole(combo, combo->lineEdit(), [&] { combo->setCurrentIndex(i); });
        return;
    }
    if (auto *edit = qobject_cast<QLineEdit *>(control)) {
        verifyEditShowsWhole(edit, edit, [&] { edit->setText(caption); });
        return;
    }
    if (auto *button = qobject_cast<QAbstractButton *>(control)) {
        button->setText(caption);
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = caption;
        const QStyle *style = button->style();
        const bool checkBox = qobject_cast<QCheckBox *>(button);
        if (checkBox) {
            const QRect tickBox =
                style->subElementRect(QStyle::SE_CheckBoxIndicator, &option, button);
            QVERIFY2(button->rect().contains(tickBox), qPrintable(whereIs(control, caption)));
        }
        room = style->subElementRect(checkBox ? QStyle::SE_CheckBoxContents
                                              : QStyle::SE_PushButtonContents,
                                     &option, button);
    } else if (auto *label = qobject_cast<AutoSizeLabel *>(control)) {
        label->setText(caption);
        room = label->contentsRect();
        // Drawn as a plain QLabel draws it, though without laying it out.
        QLabel plain(caption);
        plain.setTextFormat(Qt::PlainText);
        plain.setFont(label->font());
        plain.setPalette(label->palette());
        plain.setAutoFillBackground(label->autoFillBackground());
        plain.resize(label->size());
        const auto drawn = [](QWidget *widget) {
            QImage image(widget->size(), QImage::Format_RGB32);
            image.fill(Qt::white);
            widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
            return image;
        };
        if (label->font().stretch() % QFont::Unstretched == 0) // a fitted one QLabel draws itself
            QVERIFY2(drawn(label) == drawn(&plain), qPrintable(whereIs(control, caption)));
        QWidget *container = label->parentWidget();
        const QRect bounds = container->isWindow() ? container->rect() : container->contentsRect();
        QVERIFY2(bounds.contains(label->geometry()), qPrintable(whereIs(control, caption)));
        for (const QWidget *other :
             container->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            QVERIFY2(other == label || !other->geometry().intersects(label->geometry()),
                     qPrintable(whereIs(control, caption) + u" meets "_qs + other->objectName()));
        }
    } else {
        return; // frames, boxes and the bar: no caption of their own
    }
    const QSize text = QFontMetrics(control->font()).size(Qt::TextShowMnemonic, caption);
    QVERIFY2(text.width() <= room.width() && text.height() <= room.height(),
             qPrintable(whereIs(control, caption)));
}

} // namespace

class tst_MainFom : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void controlTable_data();
    void controlTable();
    void frontControlsCoverTheOnesBehind();
    void windowAtStart();
    void initialState();
    void comboBoxesOfferTheirItems();
    void focusMovesInTabOrder();
    void iconIsDrawnWithTransparency_data();
    void iconIsDrawnWithTransparency();
    void errorBoxShowsNumberAndDescription();
    void textBoxesHaveTheEditMenu_data();
    void textBoxesHaveTheEditMenu();

private:
    MainFom *m_window = nullptr;
};

void tst_MainFom::initTestCase()
{
    // As the terminal starts: Qt's own texts in Chinese.
    QVERIFY(installQtChineseTexts());
}

void tst_MainFom::init()
{
    m_window = new MainFom;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void tst_MainFom::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

void tst_MainFom::controlTable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");       // twips: left, top, width, height
    QTest::addColumn<int>("pixels");           // the Song face's size for the caption
    QTest::addColumn<QString>("laterCaption"); // the longest caption shown later

    const auto row = [](const char *name, const char *container, const QString &caption, int l,
                        int t, int w, int h, int pixels = 12, const QString &later = {}) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(container)
                            << caption << QRect(l, t, w, h) << pixels
                            << (later.isEmpty() ? caption : later);
    };
    row("StaFra", "MainFom", "", 60, 5340, 2835, 495);
    row("ClearCmd", "StaFra", "清零", 2160, 120, 615, 315);
    row("TXLab", "StaFra", "0", 1380, 180, 90, 180, 12, "888888888888");
    row("RXLab", "StaFra", "0", 360, 180, 90, 180, 12, "888888888888");
    row("SLab", "StaFra", "TX:", 1080, 180, 270, 180);
    row("RLab", "StaFra", "RX:", 60, 180, 270, 180);
    row("CLSChk", "MainFom", "自动清空", 240, 3120, 1155, 255);
    row("SCmd", "MainFom", "发送(&S)", 3960, 5100, 1755, 555, 12, "停止自动发送(&S)");
    row("R16Chk", "MainFom", "16进制显示", 240, 2820, 1275, 255);
    row("SFra", "MainFom", "发送", 60, 3900, 1695, 1455);
    row("AutoSTxt", "SFra", "1000", 120, 1080, 1215, 270);
    row("AutoSChk", "SFra", "自动发送", 180, 540, 1035, 255);
    row("S16Chk", "SFra", "16进制发送", 180, 240, 1215, 255);
    row("msLab", "SFra", "ms", 1380, 1080, 240, 240, 16);
    row("SAutoLab", "SFra", "自动发送周期：", 120, 840, 1260, 180);
    row("CLSCmd", "MainFom", "清除接收区(&C)", 180, 3420, 1455, 315);
    row("OntopChk", "MainFom", "本程序总在最前", 1860, 5100, 1575, 195);
    row("STxt", "MainFom", "", 1860, 3960, 5535, 1080);
    row("Fra1", "MainFom", "", 60, 0, 1695, 2535);
    row("COMCom", "Fra1", "COM1", 720, 180, 855, 300);
    row("BPSCom", "Fra1", "4800", 720, 540, 855, 300);
    row("JYWCom", "Fra1", "NONE", 720, 900, 855, 300);
    row("SJWCom", "Fra1", "8", 720, 1260, 855, 300);
    row("TZWCom", "Fra1", "1", 720, 1620, 855, 300);
    row("OCCOMCmd", "Fra1", "打开串口(&K)", 480, 2040, 1155, 375);
    row("COMLab", "Fra1", "端口号", 120, 240, 540, 180);
    row("BPSLab", "Fra1", "波特率", 120, 600, 540, 180);
    row("JYWLab", "Fra1", "校验位", 120, 960, 540, 180);
    row("SJWLab", "Fra1", "数据位", 120, 1320, 540, 180);
    row("TZWLab", "Fra1", "停止位", 120, 1680, 540, 180);
    row("ZSSha", "Fra1", "", 60, 2100, 315, 255);
    row("RFra", "MainFom", "接收", 60, 2580, 1695, 1275);
    row("RTxt", "MainFom", "", 1860, 120, 5535, 3795);
    row("GZFra", "MainFom", "", 5940, 4980, 1515, 735);
    row("GZCmd", "GZFra", "汉字接收更正", 60, 120, 1395, 315);
    row("GZChk", "GZFra", "自动更正", 240, 480, 1095, 195);
    row("TXTSol", "MainFom", "", 1860, 120, 5535, 4935);
    row("dravikZZlab", "MainFom", "Dravik制作", 3000, 5460, 840, 210, 14);
}

void tst_MainFom::controlTable()
{
    QFETCH(QString, name);
    QFETCH(QString, container);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    QFETCH(int, pixels);
    QFETCH(QString, laterCaption);

    auto *control = m_window->findChild<QWidget *>(name);
    QVERIFY2(control, qPrintable(name));
    QCOMPARE(control->parentWidget()->objectName(), container);
    QCOMPARE(captionOf(control), caption);
    const QRect actual = inTwips(control);
    if (qobject_cast<AutoSizeLabel *>(control)) {
        // Labels follow their captions: placed as listed, never smaller.
        QCOMPARE(actual.topLeft(), geometry.topLeft());
        QVERIFY(actual.width() >= geometry.width());
        QVERIFY(actual.height() >= geometry.height());
    } else {
        QCOMPARE(actual, geometry);
    }

    // In the Song face where it is installed, and whole at its place.
    if (QFontDatabase::hasFamily(QStringLiteral("AR PL UMing CN")) && !caption.isEmpty() &&
        !qobject_cast<QGroupBox *>(control)) {
        const QFontInfo font(control->font());
        QCOMPARE(font.family(), QStringLiteral("AR PL UMing CN"));
        QCOMPARE(font.pixelSize(), pixels);
        // Only the maker's label is wider than the room before the send button.
        if (name != u"dravikZZlab"_qs)
            QVERIFY(control->font().stretch() % QFont::Unstretched == 0); // 0: not set
    }
    if (!caption.isEmpty())
        verifyCaptionShowsWhole(control, caption);
    verifyCaptionShowsWhole(control, laterCaption);
}

void tst_MainFom::frontControlsCoverTheOnesBehind()
{
    // A point inside the receive box belongs to the box, not to the split
    // bar behind it; the gap between the two boxes shows the bar.
    const QPoint inReceiveBox = m_window->RTxt->geometry().center();
    QWidget *hit = m_window->childAt(inReceiveBox);
    QVERIFY(hit == m_window->RTxt || m_window->RTxt->isAncestorOf(hit));
    const int gapY = (m_window->RTxt->geometry().bottom() + m_window->STxt->geometry().top()) / 2;
    QCOMPARE(m_window->childAt(QPoint(m_window->RTxt->geometry().center().x(), gapY)),
             static_cast<QWidget *>(m_window->TXTSol));

    // The receive options lie in front of their frame.
    const QPoint onHexBox = m_window->R16Chk->geometry().center();
    QCOMPARE(m_window->childAt(onHexBox), static_cast<QWidget *>(m_window->R16Chk));
}

void tst_MainFom::windowAtStart()
{
    QCOMPARE(m_window->windowTitle(),
             QStringLiteral("Varnica  Dravik制作：V1.2 2008-09-28 单文件版"));
    QCOMPARE(m_window->size(), QSize(498, 382));
    QVERIFY(m_window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(m_window->LastGoodInterval, QStringLiteral("1000"));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m_window->COMCom));
}

void tst_MainFom::initialState()
{
    MainFom &w = *m_window;
    QVERIFY(w.CLSChk->isChecked());
    QVERIFY(w.OntopChk->isChecked());
    QVERIFY(!w.R16Chk->isChecked());
    QVERIFY(!w.S16Chk->isChecked());
    QVERIFY(!w.AutoSChk->isChecked());
    QVERIFY(!w.GZChk->isChecked());
    QVERIFY(!w.SCmd->isEnabled());
    QVERIFY(!w.GZCmd->isEnabled());
    QVERIFY(w.OCCOMCmd->isEnabled() && w.CLSCmd->isEnabled() && w.ClearCmd->isEnabled());
    QCOMPARE(w.AutoSTim->interval(), 0);
    QCOMPARE(w.LOGOTimer->interval(), 900);
    QVERIFY(w.LOGOTimer->isActive());
    QCOMPARE(w.ZSSha->fillColor(), controlcolor::black);
    QCOMPARE(w.dravikZZlab->foreColor(), controlcolor::buttonText);
    QCOMPARE(w.dravikZZlab->toolTip(), QStringLiteral("Bug反馈请点击这里"));
    QCOMPARE(w.dravikZZlab->cursor().shape(), Qt::WhatsThisCursor);
    QCOMPARE(w.TXTSol->cursor().shape(), Qt::SizeVerCursor);
    QCOMPARE(w.TXTSol->minimum(), 270);
    QCOMPARE(w.TXTSol->maximum(), 4665);
    QCOMPARE(w.TXTSol->value(), 3825);
    QVERIFY(!w.msLab->font().bold() && !w.dravikZZlab->font().bold());
    QVERIFY(w.RTxt->text().isEmpty());
    QVERIFY(w.STxt->text().startsWith(QStringLiteral(">-")));
    QVERIFY(w.STxt->text().endsWith(QStringLiteral("-<\r\n")));
    QVERIFY(w.STxt->text().contains(QStringLiteral(".example")));
}

void tst_MainFom::comboBoxesOfferTheirItems()
{
    const auto itemsOf = [](const QComboBox *combo) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    };
    QCOMPARE(itemsOf(m_window->COMCom),
             QStringList({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"}));
    QCOMPARE(itemsOf(m_window->BPSCom),
             QStringList({"300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "43000",
                          "56000", "57600", "115200"}));
    QCOMPARE(itemsOf(m_window->JYWCom), QStringList({"NONE", "ODD", "EVEN"}));
    QCOMPARE(itemsOf(m_window->SJWCom), QStringList({"8", "7", "6", "5"}));
    QCOMPARE(itemsOf(m_window->TZWCom), QStringList({"1", "2"}));
    for (const QComboBox *combo :
         {static_cast<QComboBox *>(m_window->COMCom), static_cast<QComboBox *>(m_window->BPSCom),
          static_cast<QComboBox *>(m_window->JYWCom), static_cast<QComboBox *>(m_window->SJWCom),
          static_cast<QComboBox *>(m_window->TZWCom)}) {
        QCOMPARE(combo->currentIndex(), -1);
        QVERIFY(combo->isEditable());
    }
}

void tst_MainFom::focusMovesInTabOrder()
{
    MainFom &w = *m_window;
    // SCmd and GZCmd start disabled and are skipped.
    const QList<QWidget *> expected{w.COMCom,   w.BPSCom,   w.JYWCom, w.SJWCom, w.TZWCom,
                                    w.OCCOMCmd, w.R16Chk,   w.CLSChk, w.CLSCmd, w.S16Chk,
                                    w.AutoSChk, w.AutoSTxt, w.RTxt,   w.STxt,   w.OntopChk,
                                    w.ClearCmd, w.GZChk,    w.COMCom};
    const auto holder = [&](QWidget *focus) -> QWidget * {
        for (QWidget *control : expected)
            if (control == focus || control->isAncestorOf(focus))
                return control;
        return focus;
    };
    QCOMPARE(holder(QApplication::focusWidget()), expected.first());
    for (qsizetype i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY2(holder(QApplication::focusWidget()) == expected[i],
                 qPrintable(QStringLiteral("step %1: focus on %2, expected %3")
                                .arg(i)
                                .arg(holder(QApplication::focusWidget())->objectName(),
                                     expected[i]->objectName())));
    }
}

void tst_MainFom::iconIsDrawnWithTransparency_data()
{
    QTest::addColumn<int>("size");
    for (int size : {16, 32, 48, 256})
        QTest::addRow("%d", size) << size;
}

// Drawn afresh at each size of the icon theme: transparent around, solid in
// the middle, and edges on whole pixels, where a scaled copy would be a
// fringe of half-covered ones.
void tst_MainFom::iconIsDrawnWithTransparency()
{
    QFETCH(int, size);
    const QImage icon = drawAppIconImage(size);
    QCOMPARE(icon.size(), QSize(size, size));
    QVERIFY(icon.hasAlphaChannel());
    QCOMPARE(qAlpha(icon.pixel(0, size - 1)), 0); // a corner stays transparent
    int opaque = 0;
    int partial = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const int alpha = qAlpha(icon.pixel(x, y));
            opaque += alpha == 255;
            partial += alpha > 0 && alpha < 255;
        }
    }
    QVERIFY2(opaque > size * size / 4, qPrintable(QString::number(opaque)));
    QVERIFY2(partial * 4 < opaque, qPrintable(QString::number(partial)));
    QCOMPARE(m_window->windowIcon().actualSize(QSize(64, 64)), QSize(48, 48));
}

void tst_MainFom::errorBoxShowsNumberAndDescription()
{
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        QCOMPARE(box->buttons().size(), 1);
        QCOMPARE(box->button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
        box->button(QMessageBox::Ok)->click();
    });
    m_window->ShowError(NumberedError(NumberedError::PortNotOpen, QStringLiteral("端口未打开")));
    QCOMPARE(caption, QStringLiteral("错误号码：8018"));
    QCOMPARE(text, QStringLiteral("错误：端口未打开"));
    QCOMPARE(icon, QMessageBox::Critical);
}

void tst_MainFom::textBoxesHaveTheEditMenu_data()
{
    QTest::addColumn<bool>("receiveBox");
    QTest::newRow("receive box") << true;
    QTest::newRow("send box") << false;
}

// A right click opens the edit menu; each command is enabled only when it can
// act, and its access key runs it.
void tst_MainFom::textBoxesHaveTheEditMenu()
{
    QFETCH(bool, receiveBox);
    MainFom &w = *m_window;
    QAbstractScrollArea *box = receiveBox ? static_cast<QAbstractScrollArea *>(w.RTxt) : w.STxt;
    const auto text = [&] { return receiveBox ? w.RTxt->text() : w.STxt->text(); };
    const bool undoes = !receiveBox; // the receive box keeps no undo history
    w.STxt->setText(QString());
    QGuiApplication::clipboard()->clear();
    box->setFocus();
    QTest::keyClicks(box, "ab");

    // In the order of Qt's own text fields; "-" is a separator.
    const QStringList captions{"撤消(&U)", "重做(&R)", "-", "剪切(&T)", "复制(&C)",
                               "粘贴(&P)", "删除(&D)", "-", "全选(&A)"};
    // Opens the menu, checks which commands it offers, and runs the one whose
    // access key is given.
    const auto useMenu = [&](const QList<bool> &enabled, Qt::Key accessKey) {
        const QPoint at(20, 10);
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, at,
                                     box->viewport()->mapToGlobal(at));
        QApplication::sendEvent(box->viewport(), &rightClick);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QStringList shown;
        QList<bool> usable;
        for (const QAction *action : menu->actions()) {
            shown << (action->isSeparator() ? u"-"_qs : action->text());
            if (!action->isSeparator())
                usable << action->isEnabled();
        }
        QCOMPARE(shown, captions);
        QCOMPARE(usable, enabled);
        QTest::keyClick(menu, accessKey);
        QTRY_VERIFY(!QApplication::activePopupWidget());
    };

    useMenu({undoes, false, false, false, false, false, true}, Qt::Key_A);
    useMenu({undoes, false, true, true, false, true, false}, Qt::Key_C);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"ab"_qs);
    useMenu({undoes, false, true, true, true, true, false}, Qt::Key_D);
    QCOMPARE(text(), QString());
    useMenu({undoes, false, false, false, true, false, false}, Qt::Key_P);
    QCOMPARE(text(), u"ab"_qs);
    if (undoes) {
        useMenu({true, false, false, false, true, false, true}, Qt::Key_U);
        QCOMPARE(text(), QString());
        useMenu({true, true, false, false, true, false, false}, Qt::Key_R);
        QCOMPARE(text(), u"ab"_qs);
    }
}

QTEST_MAIN(tst_MainFom)
#include "tst_mainfom.moc"

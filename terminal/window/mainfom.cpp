#include "window/mainfom.h"

#include "common/numberederror.h"
#include "common/titles.h"
#include "receive/receiveview.h"
#include "send/intervaltimer.h"
#include "send/sendbox.h"
#include "serial/mscomm.h"
#include "widgets/accesskeybutton.h"
#include "widgets/autosizelabel.h"
#include "widgets/captionfit.h"
#include "widgets/controlcolor.h"
#include "widgets/controlstyle.h"
#include "widgets/dropdowncombo.h"
#include "widgets/lampshape.h"
#include "widgets/linklabel.h"
#include "widgets/splitbar.h"
#include "widgets/twips.h"
#include "window/appicon.h"
#include "window/dialogs.h"
#include "window/editmenu.h"
#include "window/nativeframe.h"
#include "window/portsettings.h"
#include "window/windowfonts.h"
#include "window/windowlayout.h"
#include "window/windowstacking.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMoveEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <new>
#include <optional>

namespace {

// The send box's first line: an invitation to the maker's web log.
const QString sendBoxGreeting = QStringLiteral(">-http://dravik.blog.example/-<\r\n");

// The window's client area at start, in twips.
constexpr int clientWidthTwips = 7470;
constexpr int clientHeightTwips = 5730;

template <typename Object> Object *named(Object *object, const char *name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

// Names a control and puts it where the control table has it, in twips.
template <typename Widget>
Widget *place(Widget *widget, const char *name, int left, int top, int width, int height)
{
    named(widget, name);
    if constexpr (std::is_base_of_v<AutoSizeLabel, Widget>)
        widget->placeAt(twips::toPixels(left, top, width, height));
    else
        widget->setGeometry(twips::toPixels(left, top, width, height));
    return widget;
}

QGroupBox *makeFrame(QWidget *parent, const QString &caption)
{
    auto *frame = new QGroupBox(caption, parent);
    frame->setFlat(false);
    return frame;
}

AutoSizeLabel *makeLabel(QWidget *parent, const QString &caption)
{
    return new AutoSizeLabel(caption, parent);
}

DropDownCombo *makeCombo(QWidget *parent, const SettingChoices &choices)
{
    auto *combo = new DropDownCombo(parent);
    combo->addItems(choices.items);
    combo->showUnchosenText(choices.startText);
    return combo;
}

QCheckBox *makeCheckBox(QWidget *parent, const QString &caption)
{
    auto *box = new QCheckBox(caption, parent);
    box->setStyle(ControlStyle::instance()); // a tick box no taller than the box
    return box;
}

} // namespace

MainFom::MainFom(QWidget *parent) : QWidget(parent), m_dialogs(std::make_unique<Dialogs>())
{
    setObjectName(QStringLiteral("MainFom"));
    setWindowTitle(titles::terminalWindow);
    setWindowIcon(appIcon());
    setFont(windowfonts::windowFont(devicePixelRatioF()));
    resize(twips::toPixels(clientWidthTwips), twips::toPixels(clientHeightTwips));
    setMinimumSize(windowlayout::minimumClientPixels());

    createControls();
    setStackingOrder();
    setTabOrder();
    connectHandlers();
    centreOnScreen();

    FormLoad();
    COMCom->setFocus(Qt::OtherFocusReason);
}

MainFom::~MainFom() = default;

void MainFom::setDialogs(std::unique_ptr<Dialogs> dialogs)
{
    if (dialogs)
        m_dialogs = std::move(dialogs);
}

void MainFom::createControls()
{
    // Counters strip.
    StaFra = place(makeFrame(this, QString()), "StaFra", 60, 5340, 2835, 495);
    ClearCmd =
        place(new AccessKeyButton(QStringLiteral("清零"), StaFra), "ClearCmd", 2160, 120, 615, 315);
    TXLab = place(makeLabel(StaFra, QStringLiteral("0")), "TXLab", 1380, 180, 90, 180);
    RXLab = place(makeLabel(StaFra, QStringLiteral("0")), "RXLab", 360, 180, 90, 180);
    SLab = place(makeLabel(StaFra, QStringLiteral("TX:")), "SLab", 1080, 180, 270, 180);
    RLab = place(makeLabel(StaFra, QStringLiteral("RX:")), "RLab", 60, 180, 270, 180);
    // The counts change with every frame of a stream: drawn on a background of
    // their own, they do not have the frame and the window behind them drawn
    // again each time.
    for (AutoSizeLabel *count : {TXLab, RXLab})
        count->setAutoFillBackground(true);

    LOGOTimer = named(new QTimer(this), "LOGOTimer");
    LOGOTimer->setInterval(900);

    CLSChk = place(makeCheckBox(this, QStringLiteral("自动清空")), "CLSChk", 240, 3120, 1155, 255);
    CLSChk->setChecked(true);

    AutoSTim = named(new IntervalTimer(this), "AutoSTim");

    SCmd =
        place(new AccessKeyButton(QStringLiteral("发送(&S)"), this), "SCmd", 3960, 5100, 1755, 555);
    SCmd->setEnabled(false);

    R16Chk =
        place(makeCheckBox(this, QStringLiteral("16进制显示")), "R16Chk", 240, 2820, 1275, 255);

    // Send options.
    SFra = place(makeFrame(this, QStringLiteral("发送")), "SFra", 60, 3900, 1695, 1455);
    AutoSTxt = place(new QLineEdit(QStringLiteral("1000"), SFra), "AutoSTxt", 120, 1080, 1215, 270);
    AutoSChk =
        place(makeCheckBox(SFra, QStringLiteral("自动发送")), "AutoSChk", 180, 540, 1035, 255);
    S16Chk = place(makeCheckBox(SFra, QStringLiteral("16进制发送")), "S16Chk", 180, 240, 1215, 255);
    msLab = place(makeLabel(SFra, QStringLiteral("ms")), "msLab", 1380, 1080, 240, 240);
    SAutoLab =
        place(makeLabel(SFra, QStringLiteral("自动发送周期：")), "SAutoLab", 120, 840, 1260, 180);

    CLSCmd = place(new AccessKeyButton(QStringLiteral("清除接收区(&C)"), this), "CLSCmd", 180, 3420,
                   1455, 315);
    OntopChk = place(makeCheckBox(this, QStringLiteral("本程序总在最前")), "OntopChk", 1860, 5100,
                     1575, 195);
    OntopChk->setChecked(true);

    STxt = place(new SendBox(this), "STxt", 1860, 3960, 5535, 1080);
    STxt->setText(sendBoxGreeting);

    MSComm1 = named(new MSComm(this), "MSComm1");

    // Port settings.
    Fra1 = place(makeFrame(this, QString()), "Fra1", 60, 0, 1695, 2535);
    COMCom = place(makeCombo(Fra1, portsettings::ports()), "COMCom", 720, 180, 855, 300);
    BPSCom = place(makeCombo(Fra1, portsettings::baudRates()), "BPSCom", 720, 540, 855, 300);
    JYWCom = place(makeCombo(Fra1, portsettings::parities()), "JYWCom", 720, 900, 855, 300);
    SJWCom = place(makeCombo(Fra1, portsettings::dataBits()), "SJWCom", 720, 1260, 855, 300);
    TZWCom = place(makeCombo(Fra1, portsettings::stopBits()), "TZWCom", 720, 1620, 855, 300);
    OCCOMCmd = place(new AccessKeyButton(QStringLiteral("打开串口(&K)"), Fra1), "OCCOMCmd", 480,
                     2040, 1155, 375);
    COMLab = place(makeLabel(Fra1, QStringLiteral("端口号")), "COMLab", 120, 240, 540, 180);
    BPSLab = place(makeLabel(Fra1, QStringLiteral("波特率")), "BPSLab", 120, 600, 540, 180);
    JYWLab = place(makeLabel(Fra1, QStringLiteral("校验位")), "JYWLab", 120, 960, 540, 180);
    SJWLab = place(makeLabel(Fra1, QStringLiteral("数据位")), "SJWLab", 120, 1320, 540, 180);
    TZWLab = place(makeLabel(Fra1, QStringLiteral("停止位")), "TZWLab", 120, 1680, 540, 180);
    ZSSha = place(new LampShape(Fra1), "ZSSha", 60, 2100, 315, 255);
    ZSSha->setFillColor(controlcolor::black);

    // Receive options and the two text boxes.
    RFra = place(makeFrame(this, QStringLiteral("接收")), "RFra", 60, 2580, 1695, 1275);
    RTxt = place(new ReceiveView(this), "RTxt", 1860, 120, 5535, 3795);

    GZFra = place(makeFrame(this, QString()), "GZFra", 5940, 4980, 1515, 735);
    GZCmd = place(new AccessKeyButton(QStringLiteral("汉字接收更正"), GZFra), "GZCmd", 60, 120,
                  1395, 315);
    GZCmd->setEnabled(false);
    GZChk = place(makeCheckBox(GZFra, QStringLiteral("自动更正")), "GZChk", 240, 480, 1095, 195);

    TXTSol = place(new SplitBar(this), "TXTSol", 1860, 120, 5535, 4935);
    TXTSol->setRange(270, 4665);
    TXTSol->setValue(3825);

    dravikZZlab = place(new LinkLabel(QStringLiteral("Dravik制作"), this), "dravikZZlab", 3000,
                        5460, 840, 210);
    dravikZZlab->setToolTip(QStringLiteral("Bug反馈请点击这里"));
    dravikZZlab->setCursor(Qt::WhatsThisCursor);
    dravikZZlab->setForeColor(controlcolor::buttonText);

    fitCaptions();
}

// Every caption shows whole where the control table puts it. Buttons, check
// boxes and the period box keep the window's font unless their caption needs
// a smaller one; labels grow as far as their neighbours leave room (see
// giveLabelsRoom), and beyond that their font is fitted.
void MainFom::fitCaptions()
{
    const QFont windowFont = font();
    for (QWidget *control : QList<QWidget *>{ClearCmd, CLSChk, SCmd, R16Chk, AutoSTxt, AutoSChk,
                                             S16Chk, CLSCmd, OntopChk, OCCOMCmd, GZCmd, GZChk})
        captionfit::fitCaption(control, windowFont);
    for (AutoSizeLabel *label : findChildren<AutoSizeLabel *>())
        label->setFullFont(windowFont);
    msLab->setFullFont(windowfonts::songFont(12, devicePixelRatioF()));
    dravikZZlab->setFullFont(windowfonts::songFont(10.5, devicePixelRatioF()));
    giveLabelsRoom();
}

void MainFom::giveLabelsRoom()
{
    // Between a label and the control it names, as in the counter strip.
    constexpr int gapPixels = 2;
    for (AutoSizeLabel *label : findChildren<AutoSizeLabel *>()) {
        QWidget *container = label->parentWidget();
        QList<QRect> neighbours;
        for (QWidget *other : container->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (other != label && !other->isHidden())
                neighbours << other->geometry();
        }
        const QRect bounds = container == this ? rect() : container->contentsRect();
        label->setRoom(captionfit::roomBeside(QRect(label->pos(), label->placedSize()), neighbours,
                                              bounds, gapPixels));
    }
}

// Where two controls of one container overlap, the one created (listed)
// first lies in front: raise them from the back to the front.
void MainFom::setStackingOrder()
{
    const QList<QWidget *> windowChildren{StaFra, CLSChk, SCmd, R16Chk, SFra,  CLSCmd, OntopChk,
                                          STxt,   Fra1,   RFra, RTxt,   GZFra, TXTSol, dravikZZlab};
    for (auto it = windowChildren.rbegin(); it != windowChildren.rend(); ++it)
        (*it)->raise();

    const QList<QList<QWidget *>> frameChildren{{ClearCmd, TXLab, RXLab, SLab, RLab},
                                                {AutoSTxt, AutoSChk, S16Chk, msLab, SAutoLab},
                                                {COMCom, BPSCom, JYWCom, SJWCom, TZWCom, OCCOMCmd,
                                                 COMLab, BPSLab, JYWLab, SJWLab, TZWLab, ZSSha},
                                                {GZCmd, GZChk}};
    for (const QList<QWidget *> &children : frameChildren)
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            (*it)->raise();
}

void MainFom::setTabOrder()
{
    const QList<QWidget *> focusOrder{
        COMCom,   BPSCom,   JYWCom, SJWCom, TZWCom,   OCCOMCmd, R16Chk, CLSChk, CLSCmd, S16Chk,
        AutoSChk, AutoSTxt, RTxt,   STxt,   OntopChk, ClearCmd, SCmd,   GZCmd,  GZChk};
    for (qsizetype i = 1; i < focusOrder.size(); ++i)
        QWidget::setTabOrder(focusOrder[i - 1], focusOrder[i]);
}

void MainFom::connectHandlers()
{
    connect(OCCOMCmd, &QPushButton::clicked, this, &MainFom::OCCOMCmdClick);
    connect(MSComm1, &MSComm::onComm, this, &MainFom::MSComm1OnComm);
    connect(MSComm1, &MSComm::lineLost, this, &MainFom::MSComm1LineLost);
    connect(GZCmd, &QPushButton::clicked, this, &MainFom::GZCmdClick);
    connect(GZChk, &QCheckBox::toggled, this, &MainFom::GZChkClick);
    connect(CLSCmd, &QPushButton::clicked, this, &MainFom::CLSCmdClick);
    connect(ClearCmd, &QPushButton::clicked, this, &MainFom::ClearCmdClick);
    connect(SCmd, &QPushButton::clicked, this, &MainFom::SCmdClick);
    connect(AutoSChk, &QCheckBox::toggled, this, &MainFom::AutoSChkClick);
    connect(AutoSTim, &IntervalTimer::timeout, this, &MainFom::AutoSTimTimer);
    connect(AutoSTxt, &QLineEdit::textChanged, this, &MainFom::AutoSTxtChange);
    connect(TXTSol, &SplitBar::sliderMoved, this, &MainFom::TXTSolScroll);
    connect(LOGOTimer, &QTimer::timeout, this, &MainFom::LOGOTimerTimer);
    connect(OntopChk, &QCheckBox::toggled, this, &MainFom::OntopChkClick);
    connect(dravikZZlab, &LinkLabel::clicked, this, &MainFom::dravikZZlabClick);
    connect(COMCom, &DropDownCombo::popupAboutToShow, this, &MainFom::showPortDevicesAsToolTips);
    editmenu::install(RTxt);
    editmenu::install(STxt);
    LOGOTimer->start();
}

// The frame as the window system draws it, or as Qt knows it.
QMargins MainFom::frameMargins() const
{
    const QRect client = geometry();
    const QRect frame = frameGeometry();
    return nativeframe::margins(*this).value_or(
        QMargins(client.left() - frame.left(), client.top() - frame.top(),
                 frame.right() - client.right(), frame.bottom() - client.bottom()));
}

void MainFom::centreOnScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QMargins margins = frameMargins();
    QRect frame = geometry().marginsAdded(margins);
    frame.moveCenter(screen->availableGeometry().center());
    const QPoint client = frame.topLeft() + QPoint(margins.left(), margins.top());
    // move() places the frame's top-left corner as Qt knows the frame.
    move(client - (geometry().topLeft() - frameGeometry().topLeft()));
}

// The window is centred by its outer frame once the frame is known: on
// Windows as soon as the window is created, before it appears (showEvent);
// on X11 when the window manager has framed it after it is shown, and moved
// the client area into the frame (moveEvent).
void MainFom::centreOnceFramed()
{
    if (m_awaitingFrame && !frameMargins().isNull()) {
        m_awaitingFrame = false;
        centreOnScreen();
    }
}

void MainFom::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    centreOnceFramed();
}

void MainFom::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (isVisible())
        centreOnceFramed();
}

void MainFom::FormLoad()
{
    windowstacking::setTopmost(this, true);
    LastGoodInterval = QString::number(1000);
}

void MainFom::ShowError(const NumberedError &error)
{
    m_dialogs->critical(this, QStringLiteral("错误号码：") + QString::number(error.number()),
                        QStringLiteral("错误：") + error.description());
}

void MainFom::reportingFailure(const std::function<void()> &steps, const FailureAnswer &answer)
{
    std::optional<NumberedError> failure;
    try {
        steps();
    } catch (const NumberedError &error) {
        failure = error;
    } catch (const std::bad_alloc &) {
        failure = errors::outOfMemory();
    }
    if (!failure || (answer && answer(*failure)))
        return;
    ShowError(*failure);
}

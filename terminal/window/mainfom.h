#pragma once

#include "receive/receivedecoder.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTimer;

class AutoSizeLabel;
class Dialogs;
class DropDownCombo;
class IntervalTimer;
class LampShape;
class LinkLabel;
class MSComm;
class NumberedError;
class ReceiveView;
class SendBox;
class SplitBar;

// The terminal's one window. It owns every control and the serial control,
// and its methods are the handlers of their events. The handlers stay thin:
// the work is done by the plain classes of the serial, receive and send
// folders.
//
// The class is split by concern over five files; each part below lists what
// one of them defines. The controls are public, the way a form's controls are
// its public face: tests drive and read them as a user would.
class MainFom : public QWidget
{
    Q_OBJECT

    // ---- Building the window, and the error box (mainfom.cpp) ----
public:
    explicit MainFom(QWidget *parent = nullptr);
    ~MainFom() override;

    // Replaces the modal boxes and the beep (tests record them instead).
    void setDialogs(std::unique_ptr<Dialogs> dialogs);
    Dialogs &dialogs() const { return *m_dialogs; }

    // The error box: text "错误：" + description, caption "错误号码：" +
    // number, stop icon, one OK button.
    void ShowError(const NumberedError &error);

    void FormLoad();

    // The controls, front to back where they overlap.
    QGroupBox *StaFra = nullptr;
    QPushButton *ClearCmd = nullptr;
    AutoSizeLabel *TXLab = nullptr;
    AutoSizeLabel *RXLab = nullptr;
    AutoSizeLabel *SLab = nullptr;
    AutoSizeLabel *RLab = nullptr;
    QTimer *LOGOTimer = nullptr;
    QCheckBox *CLSChk = nullptr;
    IntervalTimer *AutoSTim = nullptr;
    QPushButton *SCmd = nullptr;
    QCheckBox *R16Chk = nullptr;
    QGroupBox *SFra = nullptr;
    QLineEdit *AutoSTxt = nullptr;
    QCheckBox *AutoSChk = nullptr;
    QCheckBox *S16Chk = nullptr;
    AutoSizeLabel *msLab = nullptr;
    AutoSizeLabel *SAutoLab = nullptr;
    QPushButton *CLSCmd = nullptr;
    QCheckBox *OntopChk = nullptr;
    SendBox *STxt = nullptr;
    MSComm *MSComm1 = nullptr;
    QGroupBox *Fra1 = nullptr;
    DropDownCombo *COMCom = nullptr;
    DropDownCombo *BPSCom = nullptr;
    DropDownCombo *JYWCom = nullptr;
    DropDownCombo *SJWCom = nullptr;
    DropDownCombo *TZWCom = nullptr;
    QPushButton *OCCOMCmd = nullptr;
    AutoSizeLabel *COMLab = nullptr;
    AutoSizeLabel *BPSLab = nullptr;
    AutoSizeLabel *JYWLab = nullptr;
    AutoSizeLabel *SJWLab = nullptr;
    AutoSizeLabel *TZWLab = nullptr;
    LampShape *ZSSha = nullptr;
    QGroupBox *RFra = nullptr;
    ReceiveView *RTxt = nullptr;
    QGroupBox *GZFra = nullptr;
    QPushButton *GZCmd = nullptr;
    QCheckBox *GZChk = nullptr;
    SplitBar *TXTSol = nullptr;
    LinkLabel *dravikZZlab = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void createControls();
    void fitCaptions();
    // Lets each label grow up to its neighbours; run again when they move.
    void giveLabelsRoom();
    void setStackingOrder();
    void setTabOrder();
    void connectHandlers();
    // Puts the centre of the window's outer frame on the screen's centre.
    // Until the window system has framed the window, the frame is the client
    // area.
    void centreOnScreen();
    QMargins frameMargins() const;
    // Centres the window again the first time its frame is known.
    void centreOnceFramed();

    // How a handler answers a failure of its steps: true when it has dealt
    // with it, false to have it shown in the error box.
    using FailureAnswer = std::function<bool(const NumberedError &failure)>;
    // Runs a handler's steps. A failing step ends them; unless answer deals
    // with the failure, ShowError shows it. Memory running out is shown as
    // OutOfMemory.
    void reportingFailure(const std::function<void()> &steps, const FailureAnswer &answer = {});

    std::unique_ptr<Dialogs> m_dialogs;
    // True until the window has been centred by the frame the window system
    // put around it.
    bool m_awaitingFrame = true;

    // ---- The port (mainfom_port.cpp) ----
public:
    void OCCOMCmdClick();
    void MSComm1LineLost();

private:
    void showPortDevicesAsToolTips();
    void showPortClosed();

    // ---- Receiving: the receive box, the double-byte correction, clearing
    // and the counters (mainfom_receive.cpp) ----
public:
    void MSComm1OnComm();
    void GZCmdClick();
    void GZChkClick();
    void CLSCmdClick();
    void ClearCmdClick();
    // The logo timer's receive steps.
    void HoldTimeoutStep();
    void AutoClearStep();

private:
    // Received text, the held lead byte and its correction.
    ReceiveDecoder m_receiveDecoder;

    // ---- Sending: the send routine, the send button, auto-send and the
    // interval box (mainfom_send.cpp) ----
public:
    // The send box to the line, as text or as hex bytes.
    void SendData();
    void SCmdClick();
    void AutoSChkClick();
    void AutoSTimTimer();
    void AutoSTxtChange();
    // Sets Interval 0, frees S16Chk, AutoSChk and AutoSTxt, and brings back
    // the caption "开始自动发送(&S)".
    void stopAutoSend();

    QString LastGoodInterval;

private:
    void sendAsText(const QString &text);
    void sendAsHex(const QString &text);
    void addToSendCount(double amount);
    // True while the error box of a failed send is open: auto-send ticks
    // that come meanwhile send nothing.
    bool m_sendErrorOpen = false;
    // True while an auto-send tick runs the send routine.
    bool m_autoSendTick = false;

    // ---- How the window behaves: layout, the split bar, the logo timer,
    // always-on-top and the feedback link (mainfom_behaviour.cpp) ----
public:
    void FormResize();
    void TXTSolScroll();
    void LOGOTimerTimer();
    void OntopChkClick();
    void dravikZZlabClick();

protected:
    void resizeEvent(QResizeEvent *event) override;
};

#include "serial/mscomm.h"

#include "common/gbk.h"
#include "serial/commerror.h"
#include "serial/serialline.h"

#include <QTimerEvent>

namespace {

// The shortest time between two receive events while bytes keep coming
// (milliseconds): one frame of the display while the stream is young, so that
// a reply to a command shows as it comes; a longer one once it has gone on
// for a while, when it scrolls too fast to be read anyway: still over 30
// frames a second, so the eye sees the text flow rather than jump, at about
// half the frames (and half the cost) of the display's own rate. A fast line,
// one that brings a large batch to an event, keeps the short frames: the cost
// of a frame is little beside that of its bytes, and the last bytes of a
// burst would wait for a long frame.
constexpr int quickFrame = 16;
constexpr int streamFrame = 30;
constexpr qint64 quickFramesFor = 250;
constexpr qint64 fastLineBatch = 64 * 1024;

// The most received bytes the control holds; more wait in the device until
// these are taken. It bounds the work of one receive event (a few
// milliseconds even in hex display), so that the window stays responsive
// however fast the line is.
constexpr qint64 receiveBufferSize = 256 * 1024;

// A receive event that took fewer bytes than this comes from a line slow
// enough for its next frame to wait in the device: every serial device holds
// at least the 4 KiB of the line discipline's buffer, and bytes beyond what it
// holds are held back in the line or, without flow control, lost. The limit
// must stay below those 4 KiB: after a paused frame the first event reports a
// single read, at most what the line discipline holds, and a line that filled
// it has to count as fast then, or it would be read 4 KiB a frame.
constexpr qint64 slowLineBatch = 2 * 1024;

} // namespace

MSComm::MSComm(QObject *parent)
    : QObject(parent), m_catalog(defaultPortCatalog()), m_line(createSerialLine(this))
{
    connect(m_line, &SerialLine::readyRead, this, &MSComm::handleReadyRead);
    connect(m_line, &SerialLine::lineLost, this, &MSComm::lineLost);
}

MSComm::~MSComm()
{
    m_line->close();
}

void MSComm::setPortCatalog(std::shared_ptr<const PortCatalog> catalog)
{
    m_catalog = catalog ? std::move(catalog) : defaultPortCatalog();
}

void MSComm::setCommPort(qint16 port)
{
    if (port < 1 || port > 255)
        throw CommError(CommError::InvalidPortNumber, QStringLiteral("无效的端口号 %1").arg(port));
    if (m_line->isOpen())
        throw CommError(CommError::PortAlreadyOpen, QStringLiteral("端口已打开，不能更换端口号"));
    m_commPort = port;
}

void MSComm::setSettings(const QString &settings)
{
    const LineSettings parsed = LineSettings::parse(settings);
    if (m_line->isOpen() && !m_line->applySettings(parsed))
        throw CommError(
            CommError::InvalidPropertyValue,
            QStringLiteral("串口不接受设置“%1”：%2").arg(settings, m_line->errorString()));
    m_settings = parsed;
}

void MSComm::setInputLen(qint16 length)
{
    if (length < 0)
        throw CommError(CommError::InvalidPropertyValue,
                        QStringLiteral("无效的 InputLen 值 %1").arg(length));
    m_inputLen = length;
}

void MSComm::setInputMode(qint32 mode)
{
    if (mode != 0 && mode != 1)
        throw CommError(CommError::InvalidPropertyValue,
                        QStringLiteral("无效的 InputMode 值 %1").arg(mode));
}

void MSComm::setRThreshold(qint16 threshold)
{
    if (threshold < 0)
        throw CommError(CommError::InvalidPropertyValue,
                        QStringLiteral("无效的 RThreshold 值 %1").arg(threshold));
    m_rThreshold = threshold;
}

void MSComm::setPortOpen(bool open)
{
    if (!open) {
        m_line->close();
        return;
    }
    if (m_line->isOpen())
        throw CommError(CommError::PortAlreadyOpen, QStringLiteral("端口已经打开"));

    const QList<PortEntry> ports = m_catalog->ports();
    if (m_commPort > ports.size())
        throw CommError(
            CommError::InvalidPortNumber,
            QStringLiteral("没有端口 COM%1（本机有 %2 个串口）").arg(m_commPort).arg(ports.size()));

    m_reservedOutput = 0;
    m_readingPaused = false;
    m_streaming = false;
    m_line->setReadBufferSize(receiveBufferSize);
    m_line->open(ports.at(m_commPort - 1).device, m_settings);
}

bool MSComm::portOpen() const
{
    return m_line->isOpen();
}

QByteArray MSComm::input()
{
    if (!m_line->isOpen())
        throw CommError(CommError::PortNotOpen, QStringLiteral("端口未打开"));
    QByteArray taken = m_line->read(m_inputLen);
    m_takenThisEvent += taken.size();
    return taken;
}

void MSComm::output(const QByteArray &bytes)
{
    if (!m_line->isOpen())
        throw CommError(CommError::PortNotOpen, QStringLiteral("端口未打开，无法发送"));
    if (bytes.isEmpty())
        return;
    if (bytes.size() <= m_reservedOutput)
        m_reservedOutput -= bytes.size();
    else
        requireOutputRoom(bytes.size());
    if (!m_line->write(bytes))
        throw CommError(CommError::WriteFailed,
                        QStringLiteral("发送失败：%1").arg(m_line->errorString()));
}

void MSComm::output(const QString &text)
{
    output(gbk::encode(text));
}

qint64 MSComm::outBufferCount() const
{
    if (!m_line->isOpen())
        throw CommError(CommError::PortNotOpen, QStringLiteral("端口未打开"));
    return m_line->bytesToWrite();
}

void MSComm::reserveOutputRoom(qint64 byteCount)
{
    m_reservedOutput = 0;
    requireOutputRoom(byteCount);
    m_reservedOutput = byteCount;
}

// The line's own write queue has no limit: bytes sent faster than the
// line takes them would pile up there until memory runs out. Only a send by
// hand ever shows this error (an auto-send tick that finds the queue full
// sends nothing and says nothing), so its advice is to wait for the line.
void MSComm::requireOutputRoom(qint64 byteCount) const
{
    if (byteCount <= 0)
        return;
    const qint64 waiting = outBufferCount();
    if (waiting == 0 || waiting + byteCount <= outBufferLimit)
        return;
    throw CommError(CommError::SendQueueFull,
                    QStringLiteral("线路取走数据的速度跟不上发送的速度：还有 %1 字节在等待发出，"
                                   "这次的 %2 字节没有发送。请等线路发完排队的数据后再发送")
                        .arg(waiting)
                        .arg(byteCount));
}

void MSComm::handleReadyRead()
{
    // A full buffer is reported at once: the port reads no more until the
    // bytes are taken, and waiting for the frame would slow the line down.
    if (m_receivePacing.isActive() && m_line->bytesAvailable() < receiveBufferSize)
        m_receivedWhilePacing = true; // reported when the frame ends
    else
        raiseReceived();
}

void MSComm::raiseReceived()
{
    m_receivedWhilePacing = false;
    if (m_rThreshold > 0 && m_line->isOpen() && m_line->bytesAvailable() > 0) {
        if (!m_streaming) {
            m_streaming = true;
            m_sinceStreamStart.start();
        }
        // Started first: the handler may open a modal box, and bytes that
        // come meanwhile are paced all the same.
        const bool quick = m_sinceStreamStart.elapsed() < quickFramesFor ||
                           m_line->bytesAvailable() >= fastLineBatch;
        const int frame = quick ? quickFrame : streamFrame;
        m_receivePacing.start(frame, Qt::PreciseTimer, this);
        m_takenThisEvent = 0;
        emit onComm();
        // A slow line is not read again until the frame ends: what it
        // delivers meanwhile waits in the device, and the frame costs one
        // wake-up instead of one for every piece the device hands over.
        // The line reads no more once its buffer holds what its limit
        // allows; a fast line is read all along, as its bytes would not fit.
        // (A handler that opened a modal box may return after the frame.)
        if (m_line->isOpen() && m_receivePacing.isActive() && m_takenThisEvent < slowLineBatch) {
            m_line->setReadBufferSize(1);
            m_readingPaused = true;
        }
    }
}

void MSComm::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_receivePacing.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    m_receivePacing.stop();
    if (m_readingPaused) {
        m_readingPaused = false;
        // Reading again; what waited in the device comes as readyRead at
        // once, and handleReadyRead reports it together with the rest.
        m_line->setReadBufferSize(receiveBufferSize);
        if (m_line->isOpen() && m_line->bytesWaitingInDevice() > 0)
            return;
    }
    if (m_receivedWhilePacing)
        raiseReceived();
    else
        m_streaming = false; // quiet for a whole frame: the next byte is reported at once
}

#include "serial/unix/unixserialline.h"

#include "serial/commerror.h"
#include "serial/mscomm.h"
#include "serial/unix/portaccess.h"
#include "serial/unix/portlock.h"

#include <sys/ioctl.h>

namespace {

[[noreturn]] void throwPermissionDenied(const QString &device)
{
    throw CommError(CommError::PermissionDenied,
                    portaccess::describe(portaccess::deniedAccessTo(device)));
}

QSerialPort::Parity parityOf(LineSettings::Parity parity)
{
    switch (parity) {
    case LineSettings::Parity::Odd:
        return QSerialPort::OddParity;
    case LineSettings::Parity::Even:
        return QSerialPort::EvenParity;
    case LineSettings::Parity::None:
        break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits stopBitsOf(LineSettings::StopBits stopBits)
{
    switch (stopBits) {
    case LineSettings::StopBits::OneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case LineSettings::StopBits::Two:
        return QSerialPort::TwoStop;
    case LineSettings::StopBits::One:
        break;
    }
    return QSerialPort::OneStop;
}

} // namespace

SerialLine *createSerialLine(QObject *parent)
{
    return new UnixSerialLine(parent);
}

void MSComm::setLockFolders(const QStringList &folders)
{
    static_cast<UnixSerialLine *>(m_line)->setLockFolders(folders);
}

UnixSerialLine::UnixSerialLine(QObject *parent)
    : SerialLine(parent), m_lockFolders(portlock::systemLockFolders()), m_port(this)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialLine::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &UnixSerialLine::handleError);
}

UnixSerialLine::~UnixSerialLine()
{
    if (m_port.isOpen())
        m_port.close();
}

bool UnixSerialLine::applySettings(const LineSettings &settings)
{
    return m_port.setBaudRate(settings.baudRate) && m_port.setParity(parityOf(settings.parity)) &&
           m_port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)) &&
           m_port.setStopBits(stopBitsOf(settings.stopBits)) &&
           m_port.setFlowControl(QSerialPort::NoFlowControl);
}

void UnixSerialLine::open(const QString &device, const LineSettings &settings)
{
    refuseUnusableDevice(device);
    if (const std::optional<LineClaim::OtherUser> user = m_claim.take(device))
        throw CommError(CommError::PortAlreadyOpen, LineClaim::describe(device, *user));
    m_port.setPortName(device);
    applySettings(settings); // kept until the open applies them
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_claim.release();
        throwOpenFailure(device, settings);
    }
    m_port.clearError();
}

void UnixSerialLine::close()
{
    if (m_port.isOpen())
        m_port.close();
    m_claim.release();
}

// Checked before QSerialPort is asked: it would judge another program's lock
// in a format other than its own stale and take the port over.
void UnixSerialLine::refuseUnusableDevice(const QString &device) const
{
    if (portaccess::deniesAccess(portaccess::readWriteAccessError(device)))
        throwPermissionDenied(device);
    if (const std::optional<portlock::Holder> holder = portlock::holderOf(device, m_lockFolders)) {
        const QString holderText = holder->pid > 0 ? QStringLiteral("进程 %1").arg(holder->pid)
                                                   : QStringLiteral("另一个程序");
        throw CommError(CommError::PortAlreadyOpen,
                        QStringLiteral("设备 %1 已被%2占用（锁文件 %3）")
                            .arg(device, holderText, holder->lockFile));
    }
}

void UnixSerialLine::throwOpenFailure(const QString &device, const LineSettings &settings)
{
    const QSerialPort::SerialPortError error = m_port.error();
    const QString reason = m_port.errorString();
    m_port.clearError();
    switch (portaccess::classify(error, portaccess::readWriteAccessError(device))) {
    case portaccess::OpenRefusal::Missing:
        throw CommError(CommError::InvalidPortNumber,
                        QStringLiteral("找不到设备 %1：%2").arg(device, reason));
    case portaccess::OpenRefusal::Denied:
        throwPermissionDenied(device);
    case portaccess::OpenRefusal::InUse:
        throw CommError(CommError::PortAlreadyOpen,
                        QStringLiteral("设备 %1 已被占用：%2").arg(device, reason));
    case portaccess::OpenRefusal::SettingsRefused:
        throw CommError(
            CommError::InvalidPropertyValue,
            QStringLiteral("设备 %1 不接受设置 %2：%3").arg(device, settings.toString(), reason));
    case portaccess::OpenRefusal::Other:
        break;
    }
    throw CommError(CommError::DeviceUnavailable,
                    QStringLiteral("无法打开设备 %1：%2").arg(device, reason));
}

QByteArray UnixSerialLine::read(qint64 maxBytes)
{
    return maxBytes > 0 ? m_port.read(maxBytes) : m_port.readAll();
}

bool UnixSerialLine::write(const QByteArray &bytes)
{
    return m_port.write(bytes) == bytes.size();
}

qint64 UnixSerialLine::bytesWaitingInDevice() const
{
    int waiting = 0;
    return ::ioctl(m_port.handle(), FIONREAD, &waiting) == 0 ? waiting : 0;
}

void UnixSerialLine::handleError(QSerialPort::SerialPortError error)
{
    if (!m_port.isOpen())
        return;
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    // The device went away (unplugged adapter, hung-up line): every read now
    // fails at once. Keeping the port open would only spin on a descriptor
    // that never yields data again, so close it and say so once.
    const QString reason = m_port.errorString();
    close();
    m_port.clearError();
    emit lineLost(reason);
}

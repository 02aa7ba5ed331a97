#include "serial/windows/windowsserialline.h"

#include "serial/commerror.h"
#include "serial/windows/win32comm.h"

#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

// The device's own buffers asked for: more than a frame of the fastest line.
constexpr DWORD deviceQueueSize = 64 * 1024;

BYTE parityOf(LineSettings::Parity parity)
{
    switch (parity) {
    case LineSettings::Parity::Odd:
        return ODDPARITY;
    case LineSettings::Parity::Even:
        return EVENPARITY;
    case LineSettings::Parity::None:
        break;
    }
    return NOPARITY;
}

BYTE stopBitsOf(LineSettings::StopBits stopBits)
{
    switch (stopBits) {
    case LineSettings::StopBits::OneAndHalf:
        return ONE5STOPBITS;
    case LineSettings::StopBits::Two:
        return TWOSTOPBITS;
    case LineSettings::StopBits::One:
        break;
    }
    return ONESTOPBIT;
}

// The settings, without flow control of any kind; DTR and RTS are raised, as
// opening a serial device does on Linux.
void describeLine(DCB &dcb, const LineSettings &settings)
{
    dcb.BaudRate = static_cast<DWORD>(settings.baudRate);
    dcb.ByteSize = static_cast<BYTE>(settings.dataBits);
    dcb.Parity = parityOf(settings.parity);
    dcb.StopBits = stopBitsOf(settings.stopBits);
    dcb.fBinary = TRUE;
    dcb.fParity = settings.parity != LineSettings::Parity::None;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    // A parity or framing error must not stop every transfer until cleared.
    dcb.fAbortOnError = FALSE;
}

} // namespace

SerialLine *createSerialLine(QObject *parent)
{
    return new WindowsSerialLine(parent);
}

WindowsSerialLine::WindowsSerialLine(QObject *parent)
    : SerialLine(parent), m_readDone(m_readEvent.handle), m_writeDone(m_writeEvent.handle)
{
    connect(&m_readDone, &QWinEventNotifier::activated, this, &WindowsSerialLine::finishRead);
    connect(&m_writeDone, &QWinEventNotifier::activated, this, &WindowsSerialLine::finishWrite);
}

WindowsSerialLine::~WindowsSerialLine()
{
    close();
}

void WindowsSerialLine::open(const QString &device, const LineSettings &settings)
{
    m_portName = win32comm::portNameOf(device);
    const HANDLE handle =
        CreateFileW(reinterpret_cast<const wchar_t *>(device.utf16()), GENERIC_READ | GENERIC_WRITE,
                    0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw win32comm::openFailure(m_portName, GetLastError());
    m_handle = handle;
    ++m_openings;

    // Reads wait for as many bytes as they ask for, and they ask for what the
    // device holds, or for one byte when it holds none; writes wait for the
    // line however long it takes.
    COMMTIMEOUTS timeouts{};
    SetupComm(m_handle, deviceQueueSize, deviceQueueSize); // a request the driver may ignore
    if (!applySettings(settings) || !SetCommTimeouts(m_handle, &timeouts)) {
        const QString reason =
            m_errorString.isEmpty() ? win32comm::systemMessage(GetLastError()) : m_errorString;
        close();
        throw CommError(CommError::InvalidPropertyValue,
                        QStringLiteral("串口 %1 不接受设置 %2：%3")
                            .arg(m_portName, settings.toString(), reason));
    }
    m_errorString.clear();
    startRead();
}

bool WindowsSerialLine::applySettings(const LineSettings &settings)
{
    m_errorString.clear();
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (GetCommState(m_handle, &dcb)) {
        describeLine(dcb, settings);
        if (SetCommState(m_handle, &dcb))
            return true;
    }
    m_errorString = win32comm::systemMessage(GetLastError());
    return false;
}

void WindowsSerialLine::close()
{
    if (!isOpen())
        return;
    cancelTransfers();
    CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
    m_received.clear();
    m_queued.clear();
}

// The system writes into a transfer's OVERLAPPED and buffer until the
// transfer completes, cancelled or not; both stay until then.
void WindowsSerialLine::cancelTransfers()
{
    DWORD transferred = 0;
    if (m_reading) {
        CancelIoEx(m_handle, &m_readOverlapped);
        GetOverlappedResult(m_handle, &m_readOverlapped, &transferred, TRUE);
        m_reading = false;
    }
    if (m_writing) {
        CancelIoEx(m_handle, &m_writeOverlapped);
        GetOverlappedResult(m_handle, &m_writeOverlapped, &transferred, TRUE);
        m_writing = false;
    }
    ResetEvent(m_readEvent.handle);
    ResetEvent(m_writeEvent.handle);
    m_readChunk.clear();
    m_sending.clear();
}

void WindowsSerialLine::startRead()
{
    if (!isOpen() || m_reading)
        return;
    const qint64 room = m_readBufferSize > 0 ? m_readBufferSize - m_received.size()
                                             : std::numeric_limits<qint64>::max();
    if (room <= 0)
        return; // paused until bytes are taken or the buffer grows
    const qint64 waiting = bytesWaitingInDevice();
    m_readChunk.resize(std::clamp<qint64>(waiting, 1, std::min<qint64>(room, deviceQueueSize)));

    m_readOverlapped = OVERLAPPED{};
    m_readOverlapped.hEvent = m_readEvent.handle;
    // Done at once or later, the read sets its event and finishRead takes it.
    if (!ReadFile(m_handle, m_readChunk.data(), static_cast<DWORD>(m_readChunk.size()), nullptr,
                  &m_readOverlapped) &&
        GetLastError() != ERROR_IO_PENDING) {
        loseLineLater(GetLastError());
        return;
    }
    m_reading = true;
}

void WindowsSerialLine::finishRead()
{
    DWORD transferred = 0;
    if (!m_reading)
        return;
    if (!GetOverlappedResult(m_handle, &m_readOverlapped, &transferred, FALSE)) {
        const DWORD error = GetLastError();
        if (error == ERROR_IO_INCOMPLETE)
            return;
        m_reading = false;
        loseLine(error);
        return;
    }
    m_reading = false;
    ResetEvent(m_readEvent.handle);
    m_received.append(m_readChunk.constData(), transferred);
    startRead();
    if (transferred > 0)
        emit readyRead();
}

QByteArray WindowsSerialLine::read(qint64 maxBytes)
{
    const qint64 count = maxBytes > 0 ? std::min(maxBytes, m_received.size()) : m_received.size();
    QByteArray taken = m_received.left(count);
    m_received.remove(0, count);
    startRead();
    return taken;
}

void WindowsSerialLine::setReadBufferSize(qint64 size)
{
    m_readBufferSize = size;
    startRead();
}

qint64 WindowsSerialLine::bytesWaitingInDevice() const
{
    DWORD errors = 0;
    COMSTAT status{};
    return isOpen() && ClearCommError(m_handle, &errors, &status) ? status.cbInQue : 0;
}

bool WindowsSerialLine::write(const QByteArray &bytes)
{
    if (!isOpen()) {
        m_errorString = QStringLiteral("串口未打开");
        return false;
    }
    m_queued.append(bytes);
    startWrite();
    return true;
}

void WindowsSerialLine::startWrite()
{
    if (!isOpen() || m_writing || m_queued.isEmpty())
        return;
    m_sending.swap(m_queued);
    m_writeOverlapped = OVERLAPPED{};
    m_writeOverlapped.hEvent = m_writeEvent.handle;
    if (!WriteFile(m_handle, m_sending.constData(), static_cast<DWORD>(m_sending.size()), nullptr,
                   &m_writeOverlapped) &&
        GetLastError() != ERROR_IO_PENDING) {
        loseLineLater(GetLastError());
        return;
    }
    m_writing = true;
}

void WindowsSerialLine::finishWrite()
{
    DWORD transferred = 0;
    if (!m_writing)
        return;
    if (!GetOverlappedResult(m_handle, &m_writeOverlapped, &transferred, FALSE)) {
        const DWORD error = GetLastError();
        if (error == ERROR_IO_INCOMPLETE)
            return;
        m_writing = false;
        loseLine(error);
        return;
    }
    m_writing = false;
    ResetEvent(m_writeEvent.handle);
    // What the line did not take goes first in the next write.
    m_queued.prepend(m_sending.mid(transferred));
    m_sending.clear();
    startWrite();
}

void WindowsSerialLine::loseLine(DWORD errorCode)
{
    if (!isOpen())
        return;
    const QString reason =
        QStringLiteral("串口 %1 出错：%2").arg(m_portName, win32comm::systemMessage(errorCode));
    close();
    emit lineLost(reason);
}

// A transfer refused as it starts is reported from the event loop, not from
// inside the call (open, read, write) that started it; by then the port may
// have been closed and opened again, and the new opening is not the one lost.
void WindowsSerialLine::loseLineLater(DWORD errorCode)
{
    QTimer::singleShot(0, this, [this, errorCode, opening = m_openings] {
        if (opening == m_openings)
            loseLine(errorCode);
    });
}

#pragma once

#include "serial/serialline.h"

#include <QWinEventNotifier>
#include <qt_windows.h>

// A serial line on Windows: a COM port opened for overlapped I/O, read and
// written without threads, each transfer's completion reaching Qt's event
// loop through its event object. At most one read and one write are in flight
// at a time, and a transfer in flight is cancelled and finished before its
// buffer goes.
//
// Reading waits for bytes with a read of one byte and then takes, at once,
// what the device holds. (WaitCommEvent would do the waiting on Windows, but
// wine ends it at once on a pseudo-terminal, the only line its tests have.)
class WindowsSerialLine : public SerialLine
{
    Q_OBJECT

public:
    explicit WindowsSerialLine(QObject *parent = nullptr);
    ~WindowsSerialLine() override;

    void open(const QString &device, const LineSettings &settings) override;
    void close() override;
    bool isOpen() const override { return m_handle != INVALID_HANDLE_VALUE; }
    bool applySettings(const LineSettings &settings) override;
    qint64 bytesAvailable() const override { return m_received.size(); }
    QByteArray read(qint64 maxBytes) override;
    void setReadBufferSize(qint64 size) override;
    qint64 bytesWaitingInDevice() const override;
    bool write(const QByteArray &bytes) override;
    qint64 bytesToWrite() const override { return m_sending.size() + m_queued.size(); }
    QString errorString() const override { return m_errorString; }

private:
    // An event object for one kind of transfer, closed with the line object.
    struct Event
    {
        Event() : handle(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
        ~Event() { CloseHandle(handle); }
        Event(const Event &) = delete;
        Event &operator=(const Event &) = delete;
        HANDLE handle;
    };

    void startRead();
    void finishRead();
    void startWrite();
    void finishWrite();
    void cancelTransfers();
    // A transfer failed on an open line: the device is gone.
    void loseLine(DWORD errorCode);
    void loseLineLater(DWORD errorCode);

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    quint64 m_openings = 0;
    QString m_portName;
    QString m_errorString;

    Event m_readEvent;
    OVERLAPPED m_readOverlapped{};
    QByteArray m_readChunk; // what the read in flight fills
    bool m_reading = false;
    QByteArray m_received;
    qint64 m_readBufferSize = 0; // 0: no limit

    Event m_writeEvent;
    OVERLAPPED m_writeOverlapped{};
    QByteArray m_sending; // what the write in flight sends
    bool m_writing = false;
    QByteArray m_queued;

    // Declared after the events, so that they stop watching them first.
    QWinEventNotifier m_readDone;
    QWinEventNotifier m_writeDone;
};

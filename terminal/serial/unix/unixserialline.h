#pragma once

#include "serial/serialline.h"
#include "serial/unix/lineclaim.h"

#include <QSerialPort>
#include <QStringList>

// A serial line on Linux: a QSerialPort, with the line claimed against other
// programs for as long as it is open. A line that another program holds, by a
// lock file, flock(), TIOCEXCL or merely by having it open, is refused
// untouched (PortAlreadyOpen); an open line is held in each of those ways
// until it is closed.
class UnixSerialLine : public SerialLine
{
    Q_OBJECT

public:
    explicit UnixSerialLine(QObject *parent = nullptr);
    ~UnixSerialLine() override;

    // Where other programs' lock files are looked for before opening.
    void setLockFolders(const QStringList &folders) { m_lockFolders = folders; }

    void open(const QString &device, const LineSettings &settings) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    bool applySettings(const LineSettings &settings) override;
    qint64 bytesAvailable() const override { return m_port.bytesAvailable(); }
    QByteArray read(qint64 maxBytes) override;
    void setReadBufferSize(qint64 size) override { m_port.setReadBufferSize(size); }
    qint64 bytesWaitingInDevice() const override;
    bool write(const QByteArray &bytes) override;
    qint64 bytesToWrite() const override { return m_port.bytesToWrite(); }
    QString errorString() const override { return m_port.errorString(); }

private:
    void refuseUnusableDevice(const QString &device) const;
    [[noreturn]] void throwOpenFailure(const QString &device, const LineSettings &settings);
    void handleError(QSerialPort::SerialPortError error);

    QStringList m_lockFolders;
    QSerialPort m_port;
    LineClaim m_claim; // held exactly while m_port is open
};

#pragma once

#include "serial/linesettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// The system's side of the serial control: one serial device, opened,
// configured, read and written without blocking. MSComm does the rest (its
// properties, the pacing of receive events, the bounded send queue) the same
// way on every system; serial/unix and serial/windows each provide one kind
// of line, made by createSerialLine().
//
// A line holds the bytes it has read until they are taken, at most as many as
// its read buffer size allows; what does not fit waits in the device. Written
// bytes are queued and go out as the device takes them.
class SerialLine : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Opens the device with these settings, without flow control. Throws
    // CommError saying why the device cannot be used (no such port, held by
    // another program, not permitted, settings refused).
    virtual void open(const QString &device, const LineSettings &settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Applies settings to the open line; false, with errorString(), when the
    // device refuses them.
    virtual bool applySettings(const LineSettings &settings) = 0;

    // Read bytes held by the line.
    virtual qint64 bytesAvailable() const = 0;
    // Takes up to maxBytes of them, oldest first; all of them when maxBytes is 0.
    virtual QByteArray read(qint64 maxBytes) = 0;
    // The most read bytes the line holds; 1 pauses reading until it grows.
    virtual void setReadBufferSize(qint64 size) = 0;
    // Bytes the device has received and the line has not read yet.
    virtual qint64 bytesWaitingInDevice() const = 0;

    // Queues the bytes for sending; false, with errorString(), on failure.
    virtual bool write(const QByteArray &bytes) = 0;
    // Queued bytes the device has not taken yet.
    virtual qint64 bytesToWrite() const = 0;

    virtual QString errorString() const = 0;

signals:
    // New bytes wait to be read.
    void readyRead();
    // The device failed while open (unplugged, hung up); the line is closed.
    void lineLost(const QString &reason);
};

// The system's kind of line, owned by parent.
SerialLine *createSerialLine(QObject *parent);

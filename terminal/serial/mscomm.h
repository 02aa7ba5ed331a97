#pragma once

#include "serial/linesettings.h"
#include "serial/mscommexport.h"
#include "serial/portcatalog.h"

#include <QBasicTimer>
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>

class SerialLine;

// The terminal's serial control: the one way to the serial line. It owns its
// line (SerialLine, the system's side), takes its configuration through plain
// properties, and reports received data through the onComm() signal on the
// thread it lives on (the user-interface thread). Every failing operation
// throws CommError.
//
// Bytes that pour in are reported at most once a frame: the first byte after
// a quiet spell raises its receive event at once, and what arrives while an
// event is that recent waits for the end of the frame, when one event
// reports it all (input() takes every waiting byte). So a fast line costs one
// event a frame, not one for every few kilobytes that the device delivers.
// Frames last a display frame for the first quarter second of a stream and
// 30 ms after that; during a frame a slow line is not read at
// all (its bytes wait in the device). The control holds at most 256 KiB of
// received bytes (more wait in the device); a full buffer is reported at once.
//
// Opening writes commPort, settings, inputLen, inputMode and rThreshold, then
// setPortOpen(true); closing is setPortOpen(false) alone. A line that another
// program holds is refused untouched (PortAlreadyOpen), and an open line is
// held against other programs until it is closed.
class MSCOMM_EXPORT MSComm : public QObject
{
    Q_OBJECT

public:
    explicit MSComm(QObject *parent = nullptr);
    ~MSComm() override;

    // Where port numbers lead; the system's ports unless replaced (tests use
    // pseudo-terminals).
    void setPortCatalog(std::shared_ptr<const PortCatalog> catalog);
    std::shared_ptr<const PortCatalog> portCatalog() const { return m_catalog; }

    // 1 is COM1: the first port of the catalog (on Windows, the system's own
    // COM1). Any number from 1 to 255 is taken; whether the port exists is
    // found out at open (InvalidPortNumber).
    void setCommPort(qint16 port);
    qint16 commPort() const { return m_commPort; }

    // "baud,parity,data,stop"; refused at once when malformed. While the port
    // is open the new settings are applied to the line.
    void setSettings(const QString &settings);
    QString settings() const { return m_settings.toString(); }

    // 0: input() returns every waiting byte; n > 0: at most n bytes.
    void setInputLen(qint16 length);

    // 1: binary, 0: text; any other value is refused. The open writes 1, as
    // every user of the control does; input() returns raw bytes in either
    // mode, so the value is checked and not kept.
    void setInputMode(qint32 mode);

    // 0: no receive events; n >= 1: an event as soon as a byte waits.
    void setRThreshold(qint16 threshold);

    void setPortOpen(bool open);
    bool portOpen() const;

    // Takes the waiting bytes out of the buffer, oldest first.
    QByteArray input();

    // Queues bytes for sending and returns at once. Bytes that do not fit
    // the send queue are refused whole (SendQueueFull).
    void output(const QByteArray &bytes);
    // Queues the text as bytes of the GBK code page.
    void output(const QString &text);

    // Bytes queued by output() and not yet taken by the line.
    qint64 outBufferCount() const;
    // The most bytes that may wait for the line: over five seconds at
    // 115200 baud, the fastest rate offered. A send always fits an empty
    // queue, so a send box larger than this still goes out.
    static constexpr qint64 outBufferLimit = 64 * 1024;
    // Reserves room for a send made of several writes, so that it is refused
    // before its first write or not at all: throws SendQueueFull unless
    // byteCount more bytes fit; the next byteCount bytes written are then
    // taken without another check.
    void reserveOutputRoom(qint64 byteCount);

#ifdef Q_OS_UNIX
    // Where other programs' lock files are looked for before opening; the
    // system's lock folders unless replaced (tests use a private folder).
    // Windows has no lock files: the system gives a port to one program.
    void setLockFolders(const QStringList &folders);
#endif

signals:
    // Received bytes wait to be taken with input(); the control raises no
    // other event.
    void onComm();
    // The device went away while open (adapter unplugged, the other side hung
    // up). The port has been closed; portOpen() reads false.
    void lineLost(const QString &reason);

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    void handleReadyRead();
    void raiseReceived();
    void requireOutputRoom(qint64 byteCount) const;

    std::shared_ptr<const PortCatalog> m_catalog;
    SerialLine *m_line; // a child
    LineSettings m_settings;
    qint16 m_commPort = 1;
    qint16 m_inputLen = 0;
    qint16 m_rThreshold = 0;
    qint64 m_reservedOutput = 0;
    // Runs for a frame after each receive event; bytes that arrive meanwhile
    // are reported when it ends.
    QBasicTimer m_receivePacing;
    bool m_receivedWhilePacing = false;
    // Bytes the handler of the current receive event took with input().
    qint64 m_takenThisEvent = 0;
    // True while a slow line's bytes wait in the device for the frame's end.
    bool m_readingPaused = false;
    // Bytes have come in every frame since m_sinceStreamStart.
    bool m_streaming = false;
    QElapsedTimer m_sinceStreamStart;
};

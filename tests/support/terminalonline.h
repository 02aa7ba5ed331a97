#pragma once

#include "tests/support/ptypair.h"
#include "tests/support/recordingdialogs.h"
#include "window/mainfom.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The terminal's window with COM1 on a pseudo-terminal pair and its boxes
// recorded instead of shown: where the window tests and the benchmark start.
// The window is neither shown nor opened until the test says so.
struct TerminalOnLine
{
    TerminalOnLine();

    PtyPair line;
    RecordingDialogs::Record dialogs; // outlives the window, which writes to it
    MainFom window;

    // Offers these devices as COM1, COM2, ... in place of the pair alone.
    void useDevices(const QStringList &devices);
    // Shows the window and waits until it is on the screen.
    bool show();
    // Clicks the open/close button: true when the port is open and the
    // window shows it so (the send button usable).
    bool open();
    // Sends bytes down the line and waits until the terminal has counted
    // them all.
    bool receive(const QByteArray &bytes, int timeoutMs = 10000);
    // The next count bytes the terminal sent, fewer when timeoutMs passed first.
    QByteArray sent(qsizetype count, int timeoutMs = 3000);
    // Whatever the terminal sends within a short while; for asserting that
    // nothing more comes.
    QByteArray straggling();
    // What the receive box shows.
    QString shown() const;
};

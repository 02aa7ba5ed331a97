#pragma once

#include <QByteArray>
#include <QString>

#include <termios.h>

// A pseudo-terminal pair standing in for a serial line: the terminal opens
// the device side (devicePath()) through its normal code path, the test reads
// and writes the other side.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString devicePath() const { return m_path; }
    // The test's side, for writers that run on a thread of their own.
    int testSideDescriptor() const { return m_master; }

    // Writes bytes towards the terminal.
    bool write(const QByteArray &bytes);
    // Reads what the terminal sent; waits up to timeoutMs for the first byte
    // and then takes whatever follows within settleMs.
    QByteArray read(int timeoutMs = 1000, int settleMs = 50);
    // Reads until exactly count bytes arrived or timeoutMs passed, while the
    // Qt event loop keeps running (so the terminal can do its work).
    QByteArray readExactly(qsizetype count, int timeoutMs = 3000);

    // The line settings the terminal put on its side.
    termios deviceAttributes() const;

    // Closes the test's side: the terminal's side sees a hang-up.
    void hangUp();

private:
    int m_master = -1;
    int m_slave = -1; // kept open so that the device keeps its settings
    QString m_path;
};

// Baud rate of a termios as a number.
int baudOf(const termios &attributes);

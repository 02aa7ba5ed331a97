#pragma once

#include <QString>

#include <optional>

// Keeps a serial line to one program at a time in each of the ways Linux
// serial programs hold one, besides the lock files of portlock: flock() on a
// descriptor of the device, TIOCEXCL (further opens fail with EBUSY, except
// for root), or nothing at all: a program that merely has the device open
// reads the same bytes as any other.
//
// The serial control takes a claim before QSerialPort opens the line, so a
// line in use is found without touching it (QSerialPort's open would change
// the line's settings and, at close, clear the other program's TIOCEXCL),
// and holds the claim until the port is closed. The claim is a descriptor of
// the device with flock(LOCK_EX) on it, opened close-on-exec; so the flock
// goes with the process however it ends. QSerialPort adds TIOCEXCL and its
// lock file.
class LineClaim
{
public:
    // How another program holds a line.
    enum class Holding {
        Exclusive, // TIOCEXCL: our open fails with EBUSY
        Flock,     // flock() by another open of the device
        Open,      // another process has the device open, with no lock at all
    };

    struct OtherUser
    {
        Holding holding = Holding::Open;
        qint64 pid = 0;  // a process that has the device open; 0 when none can be seen
        QString command; // its name
    };

    LineClaim() = default;
    ~LineClaim() { release(); }
    LineClaim(const LineClaim &) = delete;
    LineClaim &operator=(const LineClaim &) = delete;

    // Claims the device for this process, unless another program uses it:
    // then returns who and holds nothing. Other processes count when this
    // process may read their descriptors (/proc/PID/fd), which without root
    // means the user's own. A device that is no terminal, or that cannot be
    // opened for another reason (missing, not permitted), is not claimed and
    // returns nothing: QSerialPort's open, made the same way, meets the same
    // refusal and reports it.
    std::optional<OtherUser> take(const QString &device);
    void release();

    // What the user is told about a line held this way.
    static QString describe(const QString &device, const OtherUser &user);

private:
    int m_descriptor = -1;
};

#pragma once

#include <QString>
#include <QStringView>

#include <exception>
#include <string>

// An error with a number that callers can tell apart and a description meant
// for the user. The terminal's handlers catch these around all their steps
// and show them in the error box, number and description.
class NumberedError : public std::exception
{
public:
    // Every number the terminal and its serial control raise.
    enum Number : int {
        InvalidCall = 5,            // the system lacks what the operation needs
        Overflow = 6,               // a number does not fit where it must go
        OutOfMemory = 7,            // memory ran out
        TypeMismatch = 13,          // a text that should read as a number does not
        PermissionDenied = 70,      // the device is not ours to open (mode, group)
        InvalidPropertyValue = 380, // a value the serial control or a timer refuses
        InvalidPortNumber = 8002,   // no such port on this machine
        PortAlreadyOpen = 8005,     // the port is held by another program (or by us)
        DeviceUnavailable = 8012,   // the device could not be opened for another reason
        PortNotOpen = 8018,         // the operation needs an open port
        ReadFailed = 8020,          // reading from the line failed
        WriteFailed = 8021,         // writing to the line failed
        SendQueueFull = 8022,       // the line is not taking bytes as fast as they are sent
    };

    NumberedError(Number number, QString description)
        : m_number(number), m_description(std::move(description)),
          m_what(m_description.toStdString())
    {}

    Number number() const noexcept { return m_number; }
    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_what.c_str(); }

private:
    Number m_number;
    QString m_description;
    std::string m_what;
};

// The errors the terminal raises itself, each with its number and its text.
// The serial control words its own (serial/), from what the system reports.
namespace errors {

NumberedError countNotANumber(const QString &caption);
NumberedError intervalMissing();
NumberedError intervalNotANumber(const QString &text);
NumberedError intervalTooLong(QStringView digits, qint64 longest);
NumberedError intervalZero();
NumberedError timerIntervalOutOfRange(qint64 milliseconds, qint64 longest);
NumberedError noGbkConversion();
NumberedError lineLost();
NumberedError outOfMemory();

} // namespace errors

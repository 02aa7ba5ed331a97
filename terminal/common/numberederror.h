#pragma once

#include <QString>

#include <exception>
#include <string>

// An error with a number that callers can tell apart and a description meant
// for the user. The terminal's handlers catch these around all their steps
// and show them in the error box.
class NumberedError : public std::exception
{
public:
    // General numbers shared by the whole terminal.
    enum Number : int {
        Overflow = 6,     // a number does not fit where it must go
        TypeMismatch = 13 // a text that should read as a number does not
    };

    NumberedError(int number, QString description)
        : m_number(number), m_description(std::move(description)),
          m_what(m_description.toStdString())
    {}

    int number() const noexcept { return m_number; }
    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_what.c_str(); }

private:
    int m_number;
    QString m_description;
    std::string m_what;
};

#pragma once

#include "dialogs.h"

#include <QList>
#include <QString>

#include <functional>

// Dialogs that record what would have been shown instead of waiting for a
// user. onShow, when set, runs while the "box" is open (a test can spin an
// event loop there to act like a modal box).
class RecordingDialogs : public Dialogs
{
public:
    struct Shown
    {
        QString kind; // "warning" or "critical"
        QString caption;
        QString text;
    };

    struct Record
    {
        QList<Shown> shown;
        int beeps = 0;
        std::function<void()> onShow;
    };

    explicit RecordingDialogs(Record *record) : m_record(record) {}

    void warning(QWidget *, const QString &caption, const QString &text) override
    {
        show(QStringLiteral("warning"), caption, text);
    }
    void critical(QWidget *, const QString &caption, const QString &text) override
    {
        show(QStringLiteral("critical"), caption, text);
    }
    void beep() override { ++m_record->beeps; }

private:
    void show(const QString &kind, const QString &caption, const QString &text)
    {
        m_record->shown.append({kind, caption, text});
        if (m_record->onShow)
            m_record->onShow();
    }

    Record *m_record;
};

#pragma once

#include "window/dialogs.h"

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

        // The number of each box shown so far, in order: N for the window's
        // error box (critical, caption "错误号码：N", text "错误：" and a
        // description), -1 for any other box.
        QList<int> errorNumbers() const
        {
            const QString captionStart = QStringLiteral("错误号码：");
            const QString textStart = QStringLiteral("错误：");
            QList<int> numbers;
            for (const Shown &box : shown) {
                bool isNumber = false;
                const int number = box.caption.startsWith(captionStart)
                                       ? box.caption.mid(captionStart.size()).toInt(&isNumber)
                                       : -1;
                const bool isErrorBox = box.kind == QLatin1String("critical") && isNumber &&
                                        box.text.startsWith(textStart) &&
                                        box.text.size() > textStart.size();
                numbers.append(isErrorBox ? number : -1);
            }
            return numbers;
        }
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

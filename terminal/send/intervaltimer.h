#pragma once

#include <QObject>
#include <QTimer>

// A timer whose interval is its running state: 0 means stopped, any other
// value means one tick per interval. Setting the interval (re)starts it.
class IntervalTimer : public QObject
{
    Q_OBJECT

public:
    explicit IntervalTimer(QObject *parent = nullptr);

    // The longest interval the timer takes, in milliseconds.
    static constexpr qint64 maximumInterval = std::numeric_limits<int>::max();

    int interval() const { return m_interval; }
    // Throws NumberedError for a negative interval or one beyond maximumInterval.
    void setInterval(qint64 milliseconds);

signals:
    void timeout();

private:
    QTimer m_timer;
    int m_interval = 0;
};

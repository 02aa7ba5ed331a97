#include "send/intervaltimer.h"

#include "common/numberederror.h"

IntervalTimer::IntervalTimer(QObject *parent) : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &IntervalTimer::timeout);
}

void IntervalTimer::setInterval(qint64 milliseconds)
{
    if (milliseconds < 0 || milliseconds > maximumInterval)
        throw errors::timerIntervalOutOfRange(milliseconds, maximumInterval);
    m_interval = static_cast<int>(milliseconds);
    if (m_interval == 0) {
        m_timer.stop();
    } else {
        m_timer.start(m_interval);
    }
}

#include "tests/support/ptypair.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    char name[256] = {};
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return;
    termios raw{};
    tcgetattr(master, &raw);
    cfmakeraw(&raw);
    tcsetattr(master, TCSANOW, &raw);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    // A program the test starts must not hold the line without asking.
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    m_master = master;
    m_slave = slave;
    m_path = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair()
{
    hangUp();
    if (m_slave >= 0)
        ::close(m_slave);
}

void PtyPair::hangUp()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

bool PtyPair::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    QDeadlineTimer deadline(5000);
    while (done < bytes.size() && !deadline.hasExpired()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }
    return done == bytes.size();
}

QByteArray PtyPair::read(int timeoutMs, int settleMs)
{
    QByteArray result;
    QDeadlineTimer deadline(timeoutMs);
    char buffer[4096];
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        pollfd pfd{m_master, POLLIN, 0};
        if (::poll(&pfd, 1, 5) > 0) {
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0) {
                result.append(buffer, n);
                deadline.setRemainingTime(settleMs);
            }
        }
    }
    return result;
}

QByteArray PtyPair::readExactly(qsizetype count, int timeoutMs)
{
    QByteArray result;
    QDeadlineTimer deadline(timeoutMs);
    char buffer[4096];
    while (result.size() < count && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        pollfd pfd{m_master, POLLIN, 0};
        if (::poll(&pfd, 1, 5) > 0) {
            const ssize_t n =
                ::read(m_master, buffer,
                       size_t(std::min<qsizetype>(sizeof buffer, count - result.size())));
            if (n > 0)
                result.append(buffer, n);
        }
    }
    return result;
}

termios PtyPair::deviceAttributes() const
{
    termios attributes{};
    tcgetattr(m_slave, &attributes);
    return attributes;
}

int baudOf(const termios &attributes)
{
    switch (cfgetospeed(&attributes)) {
    case B300:
        return 300;
    case B600:
        return 600;
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return -1;
    }
}

#include "FifoReader.h"

#include <QFile>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace tovik::test {

namespace {

// Until the pipe reports that its writer closed it (Linux says so only after a writer came), or
// until stop is readable; what the pipe holds then is still read.
QByteArray readUntilClosed(int fifo, int stop)
{
    QByteArray received;
    char buffer[4096];
    for (;;) {
        pollfd waits[] = {{fifo, POLLIN, 0}, {stop, POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0)
            return received;
        const ssize_t got = ::read(fifo, buffer, sizeof buffer);
        if (got > 0)
            received.append(buffer, got);
        else if ((got == 0 && (waits[0].revents & POLLHUP)) || waits[1].revents != 0)
            return received;
    }
}

} // namespace

FifoReader::FifoReader(const QString &path)
    : m_fifo(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK))
{
    if (m_fifo >= 0 && ::pipe(m_stop) == 0)
        m_received = std::async(std::launch::async, readUntilClosed, m_fifo, m_stop[0]);
}

FifoReader::~FifoReader()
{
    if (m_received.valid())
        received();
    for (const int fd : {m_fifo, m_stop[0], m_stop[1]}) {
        if (fd >= 0)
            ::close(fd);
    }
}

QByteArray FifoReader::received()
{
    if (!m_received.valid())
        return "<pipe not opened>";
    (void)::write(m_stop[1], "x", 1);
    return m_received.get();
}

} // namespace tovik::test

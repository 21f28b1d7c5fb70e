#pragma once

#include <QByteArray>
#include <QString>
#include <future>

namespace tovik::test {

// Reads a named pipe on a thread of its own until a writer has come and gone. The pipe is opened
// at once, so a writer that renamed something else over its name meanwhile does not release the
// reader, and a reader that got nothing ends on destruction.
class FifoReader
{
public:
    explicit FifoReader(const QString &path);
    ~FifoReader();
    FifoReader(const FifoReader &) = delete;
    FifoReader &operator=(const FifoReader &) = delete;

    // Everything written, for a writer that is done: the reader stops once the pipe is empty.
    QByteArray received();

private:
    int m_fifo = -1;
    int m_stop[2] = {-1, -1};
    std::future<QByteArray> m_received;
};

} // namespace tovik::test

#pragma once

#include <QByteArray>
#include <QIODevice>

namespace tovik {

// Collects an output's bytes in blocks before they go to the device, since a sweep's csv can
// have millions of short lines. A failed write is remembered; finish() tells.
class BufferedOutput
{
public:
    explicit BufferedOutput(QIODevice &device);

    BufferedOutput &operator<<(const QByteArray &bytes);
    BufferedOutput &operator<<(const QString &text);
    BufferedOutput &operator<<(qint64 number);
    // Writes what is left; false when any write failed.
    bool finish();

private:
    void flushFull();

    QIODevice &m_device;
    QByteArray m_buffer;
    bool m_ok = true;
};

} // namespace tovik

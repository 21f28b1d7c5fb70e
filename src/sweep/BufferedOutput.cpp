#include "sweep/BufferedOutput.h"

namespace tovik {

namespace {

constexpr qsizetype kBlockBytes = 64 * 1024;

} // namespace

BufferedOutput::BufferedOutput(QIODevice &device)
    : m_device(device)
{
    m_buffer.reserve(kBlockBytes + 1024);
}

BufferedOutput &BufferedOutput::operator<<(const QByteArray &bytes)
{
    m_buffer += bytes;
    flushFull();
    return *this;
}

BufferedOutput &BufferedOutput::operator<<(const QString &text)
{
    return *this << text.toUtf8();
}

BufferedOutput &BufferedOutput::operator<<(qint64 number)
{
    return *this << QByteArray::number(number);
}

void BufferedOutput::flushFull()
{
    if (m_buffer.size() < kBlockBytes)
        return;
    m_ok = m_ok && m_device.write(m_buffer) == m_buffer.size();
    m_buffer.clear();
}

bool BufferedOutput::finish()
{
    m_ok = m_ok && m_device.write(m_buffer) == m_buffer.size();
    m_buffer.clear();
    return m_ok;
}

} // namespace tovik

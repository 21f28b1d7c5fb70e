#include "output/RunLog.h"

#include <algorithm>

namespace tovik {

namespace {

// Characters gathered before they are converted.
constexpr qsizetype gatherLimit = 32 * 1024;

} // namespace

void RunLog::appendBytes(QByteArrayView bytes) const
{
    // resize() lets the allocator grow the array where it lies; += would take a new block and
    // copy, which at tens of megabytes holds the log twice for a moment.
    const qsizetype used = m_bytes.size();
    m_bytes.resize(used + bytes.size());
    std::copy(bytes.begin(), bytes.end(), m_bytes.begin() + used);
}

void RunLog::convertGathered(bool whole) const
{
    qsizetype count = m_gathered.size();
    if (!whole && count > 0 && m_gathered.at(count - 1).isHighSurrogate())
        --count;
    // Nothing to add leaves the bytes untouched: even an empty resize would copy bytes that the
    // caller of bytes() already shares, holding the whole log twice.
    if (count == 0)
        return;
    appendBytes(QStringView(m_gathered).first(count).toLocal8Bit());
    m_gathered.remove(0, count);
}

void RunLog::append(const QString &text)
{
    m_gathered += text;
    if (m_gathered.size() >= gatherLimit)
        convertGathered(false);
}

void RunLog::append(const RunLog &other)
{
    convertGathered(true);
    appendBytes(other.bytes());
}

void RunLog::appendLine(const QString &line)
{
    append(line);
    append(crlf);
}

void RunLog::appendTiming(quint32 elapsedMs)
{
    append(QStringLiteral("Time = "));
    append(QString::number(elapsedMs));
    append(QStringLiteral(" ms"));
    append(crlf);
    append(crlf);
}

const QByteArray &RunLog::bytes() const
{
    convertGathered(true);
    return m_bytes;
}

} // namespace tovik

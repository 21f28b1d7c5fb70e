#pragma once

#include <QtGlobal>
#include <vector>

namespace tovik {

// A table of counts, width values a row, kept in 16 bits while every count fits and widened to
// 32 bits by the first that does not: a week of ten thousand nodes at twenty thresholds is tens
// of millions of counts, and an hour rarely holds more than a few hundred samples of a node.
class LadderCounts
{
public:
    explicit LadderCounts(int width = 0)
        : m_width(width)
    {
    }

    int width() const { return m_width; }
    qsizetype rows() const;
    // Room for rows of narrow counts, for a table whose size is known before it is filled.
    void reserve(qsizetype rows);
    // width values; each must be at least 0.
    void append(const qint32 *values);
    qint32 at(qsizetype row, int column) const
    {
        const std::size_t i = std::size_t(row) * std::size_t(m_width) + std::size_t(column);
        return m_isWide ? m_wide[i] : qint32(m_narrow[i]);
    }

private:
    void widen();

    int m_width = 0;
    bool m_isWide = false;
    std::vector<quint16> m_narrow;
    std::vector<qint32> m_wide;
};

} // namespace tovik

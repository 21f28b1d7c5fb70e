#pragma once

#include <QtGlobal>
#include <vector>

namespace tovik {

// A table of counts, width values a row, each row's first value its largest (the hour's samples,
// of which the others count some). A row whose values all fit in a byte below kWide keeps them
// in bytes; only the rows of hours with more samples keep 32-bit copies besides: a month of ten
// thousand nodes at twenty thresholds is over a hundred million counts, and an hour at the usual
// polling holds a few dozen samples of a node.
class LadderCounts
{
public:
    explicit LadderCounts(int width = 0)
        : m_width(width)
    {
    }

    int width() const { return m_width; }
    qsizetype rows() const { return m_rows; }
    // width values; each must be at least 0, none above the first.
    void append(const qint32 *values);
    qint32 at(qsizetype row, int column) const
    {
        const quint8 *narrow = narrowRow(row);
        return narrow[0] == kWide ? wideRow(row)[column] : qint32(narrow[column]);
    }
    // Row k becomes the row that was at order[k]; order holds every row once.
    void reorder(std::vector<quint32> order);
    // The memory the table holds.
    std::size_t bytes() const;

private:
    // A row's first byte when its values are kept wide.
    static constexpr quint8 kWide = 0xFF;
    // Rows are kept in blocks of this many, so that a growing table never copies itself whole.
    static constexpr qsizetype kBlockRows = 4096;

    static std::size_t blockOf(qsizetype row) { return std::size_t(row / kBlockRows); }
    std::size_t offsetOf(qsizetype row) const
    {
        return std::size_t(row % kBlockRows) * std::size_t(m_width);
    }
    const quint8 *narrowRow(qsizetype row) const
    {
        return m_blocks[blockOf(row)].data() + offsetOf(row);
    }
    quint8 *narrowRow(qsizetype row) { return m_blocks[blockOf(row)].data() + offsetOf(row); }
    const qint32 *wideRow(qsizetype row) const;

    int m_width = 0;
    qsizetype m_rows = 0;
    std::vector<std::vector<quint8>> m_blocks;
    // Ascending row numbers of the wide rows, and their values, width a row, in the same order.
    std::vector<quint32> m_wideRows;
    std::vector<qint32> m_wide;
};

} // namespace tovik

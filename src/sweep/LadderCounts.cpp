#include "sweep/LadderCounts.h"

#include <algorithm>
#include <cstring>

namespace tovik {

void LadderCounts::append(const qint32 *values)
{
    if (m_rows == qsizetype(m_blocks.size()) * kBlockRows)
        m_blocks.emplace_back(std::size_t(kBlockRows * m_width));
    quint8 *narrow = narrowRow(m_rows);
    if (std::any_of(values, values + m_width, [](qint32 v) { return v >= kWide; })) {
        m_wideRows.push_back(quint32(m_rows));
        m_wide.insert(m_wide.end(), values, values + m_width);
        std::memset(narrow, kWide, std::size_t(m_width));
    } else {
        for (int column = 0; column < m_width; ++column)
            narrow[column] = quint8(values[column]);
    }
    ++m_rows;
}

const qint32 *LadderCounts::wideRow(qsizetype row) const
{
    const auto found = std::lower_bound(m_wideRows.cbegin(), m_wideRows.cend(), quint32(row));
    return m_wide.data() + std::size_t(found - m_wideRows.cbegin()) * std::size_t(m_width);
}

// In place, one cycle of the order at a time, so that a large table needs no second copy.
void LadderCounts::reorder(std::vector<quint32> order)
{
    std::vector<quint32> wideRows;
    std::vector<qint32> wide;
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (narrowRow(order[k])[0] != kWide)
            continue;
        wideRows.push_back(quint32(k));
        const qint32 *values = wideRow(order[k]);
        wide.insert(wide.end(), values, values + m_width);
    }
    const std::size_t width = std::size_t(m_width);
    std::vector<quint8> held(width);
    for (std::size_t start = 0; start < order.size(); ++start) {
        if (order[start] == start)
            continue;
        std::memcpy(held.data(), narrowRow(qsizetype(start)), width);
        std::size_t to = start;
        while (order[to] != start) {
            const std::size_t from = order[to];
            std::memcpy(narrowRow(qsizetype(to)), narrowRow(qsizetype(from)), width);
            order[to] = quint32(to);
            to = from;
        }
        std::memcpy(narrowRow(qsizetype(to)), held.data(), width);
        order[to] = quint32(to);
    }
    m_wideRows = std::move(wideRows);
    m_wide = std::move(wide);
}

std::size_t LadderCounts::bytes() const
{
    return m_blocks.size() * std::size_t(kBlockRows * m_width)
        + m_blocks.capacity() * sizeof(std::vector<quint8>)
        + m_wideRows.capacity() * sizeof(quint32) + m_wide.capacity() * sizeof(qint32);
}

} // namespace tovik

#include "sweep/LadderCounts.h"

#include <algorithm>
#include <limits>

namespace tovik {

qsizetype LadderCounts::rows() const
{
    if (m_width == 0)
        return 0;
    return qsizetype((m_isWide ? m_wide.size() : m_narrow.size()) / std::size_t(m_width));
}

void LadderCounts::reserve(qsizetype rows)
{
    m_narrow.reserve(std::size_t(rows) * std::size_t(m_width));
}

void LadderCounts::append(const qint32 *values)
{
    const qint32 *end = values + m_width;
    if (!m_isWide && std::any_of(values, end, [](qint32 v) {
            return v > std::numeric_limits<quint16>::max();
        }))
        widen();
    if (m_isWide) {
        m_wide.insert(m_wide.end(), values, end);
        return;
    }
    for (const qint32 *v = values; v != end; ++v)
        m_narrow.push_back(quint16(*v));
}

void LadderCounts::widen()
{
    m_wide.assign(m_narrow.cbegin(), m_narrow.cend());
    std::vector<quint16>().swap(m_narrow);
    m_isWide = true;
}

} // namespace tovik

#include "sweep/LadderResult.h"

#include <algorithm>
#include <numeric>
#include <tuple>

namespace tovik {

void LadderResult::arrange()
{
    m_order.resize(cells.size());
    std::iota(m_order.begin(), m_order.end(), quint32(0));
    std::sort(m_order.begin(), m_order.end(), [this](quint32 a, quint32 b) {
        const LadderCell &ca = cells[a];
        const LadderCell &cb = cells[b];
        return std::tie(ca.hourIndex, ca.reportIndex, ca.nodeId)
            < std::tie(cb.hourIndex, cb.reportIndex, cb.nodeId);
    });
}

SweepResult LadderResult::atStep(int step) const
{
    SweepResult result;
    static_cast<SweepFrame &>(result) = *this;
    for (const quint32 i : m_order)
        result.add(SweepResult::rowOf(cells[i], count(i, step), samples(i)));
    return result;
}

std::optional<SweepResult> LadderResult::atThreshold(qint16 threshold) const
{
    const std::optional<int> step = ladder.stepOf(threshold);
    if (!step)
        return std::nullopt;
    return atStep(*step);
}

} // namespace tovik

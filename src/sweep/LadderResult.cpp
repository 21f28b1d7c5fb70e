#include "sweep/LadderResult.h"

#include <algorithm>
#include <numeric>

namespace tovik {

// Cells come report by report and, from most servers, by node and hour within a report: placed
// by hour first, keeping their order, they are usually in order already and the sort only checks.
void LadderResult::arrange()
{
    std::vector<quint32> nextOfHour;
    for (const LadderCell &cell : cells) {
        if (nextOfHour.size() < std::size_t(cell.hourIndex) + 2)
            nextOfHour.resize(std::size_t(cell.hourIndex) + 2, 0);
        ++nextOfHour[std::size_t(cell.hourIndex) + 1];
    }
    std::partial_sum(nextOfHour.begin(), nextOfHour.end(), nextOfHour.begin());
    m_order.resize(cells.size());
    for (quint32 i = 0; i < quint32(cells.size()); ++i)
        m_order[nextOfHour[cells[i].hourIndex]++] = i;
    const auto before = [this](quint32 a, quint32 b) { return comesBefore(cells[a], cells[b]); };
    if (!std::is_sorted(m_order.begin(), m_order.end(), before))
        std::sort(m_order.begin(), m_order.end(), before);
}

qint32 LadderResult::mostSamplesInAnHour() const
{
    qint32 most = 0;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (AlarmRules::isDevice(cells[i].nodeId))
            most = std::max(most, samples(qsizetype(i)));
    }
    return most;
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

std::optional<LadderResult> LadderResult::withThresholdOf(const LadderResult &other) const
{
    if (other.ladder.size() != 1 || other.range != range || other.monitored != monitored
        || other.reportIds != reportIds || other.cells.size() != cells.size())
        return std::nullopt;
    const qint16 threshold = other.ladder.threshold(0);
    if (ladder.stepOf(threshold))
        return *this;
    // Both are in hour, report and node order: the same samples give the same cells, one by one.
    if (m_order.size() != cells.size() || other.m_order.size() != cells.size())
        return std::nullopt;
    std::vector<quint32> otherOf(cells.size());
    for (std::size_t k = 0; k < m_order.size(); ++k) {
        const LadderCell &cell = cells[m_order[k]];
        const LadderCell &same = other.cells[other.m_order[k]];
        if (cell.nodeId != same.nodeId || cell.hourIndex != same.hourIndex
            || cell.reportIndex != same.reportIndex
            || samples(m_order[k]) != other.samples(other.m_order[k]))
            return std::nullopt;
        otherOf[m_order[k]] = other.m_order[k];
    }
    LadderResult merged;
    static_cast<SweepFrame &>(merged) = *this;
    merged.ladder = ladder.with(threshold);
    merged.cells = cells;
    merged.m_order = m_order;
    const int added = *merged.ladder.stepOf(threshold);
    merged.counts = LadderCounts(1 + merged.ladder.size());
    merged.counts.reserve(qsizetype(cells.size()));
    std::vector<qint32> values(std::size_t(1 + merged.ladder.size()));
    for (std::size_t i = 0; i < cells.size(); ++i) {
        values[0] = samples(qsizetype(i));
        for (int step = 0, from = 0; step < merged.ladder.size(); ++step)
            values[std::size_t(1 + step)]
                = step == added ? other.count(otherOf[i], 0) : count(qsizetype(i), from++);
        merged.counts.append(values.data());
    }
    return merged;
}

} // namespace tovik

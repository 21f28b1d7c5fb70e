#include "sweep/TuningSurface.h"

#include "sweep/LadderResult.h"
#include "testrun/AlarmRules.h"

#include <QHash>
#include <algorithm>

namespace tovik {

namespace {

// Each cell's device, numbered from 0; -1 for node 0, which is never a device.
QList<int> devicesOfCells(const LadderResult &result, int *deviceCount)
{
    QHash<quint64, int> indexOf;
    QList<int> deviceOf(qsizetype(result.cells.size()), -1);
    for (qsizetype i = 0; i < deviceOf.size(); ++i) {
        const LadderCell &cell = result.cells[std::size_t(i)];
        if (!AlarmRules::isDevice(cell.nodeId))
            continue;
        const quint64 key = (quint64(cell.reportIndex) << 32) | quint32(cell.nodeId);
        auto found = indexOf.constFind(key);
        if (found == indexOf.cend())
            found = indexOf.insert(key, int(indexOf.size()));
        deviceOf[i] = *found;
    }
    *deviceCount = int(indexOf.size());
    return deviceOf;
}

// Turns counts of "exactly c" (c capped at the last index) into counts of "at least c".
void accumulateFromTop(QList<qint32> &counts)
{
    for (qsizetype c = counts.size() - 2; c >= 0; --c)
        counts[c] += counts[c + 1];
}

} // namespace

TuningSurface::TuningSurface(const LadderResult &result, qint16 occurrencesUpTo)
    : m_ladder(result.ladder)
    , m_occurrencesUpTo(std::max<qint16>(occurrencesUpTo, 1))
    , m_rangeHours(result.range.hourCount())
    , m_cells(qsizetype(m_ladder.size()) * m_occurrencesUpTo)
{
    int deviceCount = 0;
    const QList<int> deviceOf = devicesOfCells(result, &deviceCount);
    for (int step = 0; step < m_ladder.size(); ++step)
        countStep(result, deviceOf, deviceCount, step);
}

// One pass over the cells per step: a device-hour with n samples at or over the threshold is
// caught for every occurrences value up to n, so counting each n once per hour and per device
// answers all occurrences values together.
void TuningSurface::countStep(
    const LadderResult &result, const QList<int> &deviceOf, int deviceCount, int step)
{
    const int top = m_occurrencesUpTo;
    QList<qint32> perHour(qsizetype(m_rangeHours) * (top + 1), 0);
    QList<qint32> highestOfDevice(deviceCount, 0);
    for (qsizetype i = 0; i < deviceOf.size(); ++i) {
        const qint32 n = std::min<qint32>(result.count(i, step), top);
        if (deviceOf[i] < 0 || n < 1)
            continue;
        ++perHour[qsizetype(result.cells[std::size_t(i)].hourIndex) * (top + 1) + n];
        highestOfDevice[deviceOf[i]] = std::max(highestOfDevice[deviceOf[i]], n);
    }
    QList<qint32> devicesAtLeast(top + 1, 0);
    for (const qint32 n : std::as_const(highestOfDevice))
        ++devicesAtLeast[n];
    accumulateFromTop(devicesAtLeast);
    for (qint16 o = 1; o <= top; ++o)
        m_cells[qsizetype(step) * top + o - 1].devices = devicesAtLeast[o];
    for (int h = 0; h < m_rangeHours; ++h) {
        QList<qint32> caught = perHour.mid(qsizetype(h) * (top + 1), top + 1);
        accumulateFromTop(caught);
        for (qint16 o = 1; o <= top; ++o) {
            SurfaceCell &cell = m_cells[qsizetype(step) * top + o - 1];
            cell.alarms += caught[o];
            cell.hours += caught[o] > 0 ? 1 : 0;
            cell.peak = std::max(cell.peak, caught[o]);
        }
    }
}

const SurfaceCell &TuningSurface::cell(int step, qint16 occurrences) const
{
    return m_cells.at(qsizetype(step) * m_occurrencesUpTo + occurrences - 1);
}

double TuningSurface::alarmsPerDay(int step, qint16 occurrences) const
{
    return m_rangeHours > 0 ? double(cell(step, occurrences).alarms) * 24.0 / m_rangeHours : 0.0;
}

std::optional<int> TuningSurface::recommendedStep(qint16 occurrences, double budget) const
{
    for (int step = 0; step < m_ladder.size(); ++step) {
        if (alarmsPerDay(step, occurrences) <= budget)
            return step;
    }
    return std::nullopt;
}

} // namespace tovik

#include "sweep/TuningSurface.h"

#include "monitoring/AlarmRules.h"
#include "sweep/LadderResult.h"
#include "sweep/SampleCoverage.h"

#include <QHash>
#include <algorithm>
#include <vector>

namespace tovik {

namespace {

// Each cell's device, numbered from 0; -1 for node 0, which is never a device. A device's cells
// mostly come one after another, as the database returned them, so the last one is kept at hand.
QList<int> devicesOfCells(const LadderResult &result, int *deviceCount)
{
    QHash<quint64, int> indexOf;
    QList<int> deviceOf(result.cellCount(), -1);
    std::optional<quint64> lastKey;
    int lastIndex = -1;
    result.forEachCell([&](const LadderCell &cell, qsizetype i) {
        if (!AlarmRules::isDevice(cell.nodeId))
            return;
        const quint64 key = SweepFrame::deviceKey(cell.reportIndex, cell.nodeId);
        if (key != lastKey) {
            auto found = indexOf.constFind(key);
            if (found == indexOf.cend())
                found = indexOf.insert(key, int(indexOf.size()));
            lastKey = key;
            lastIndex = *found;
        }
        deviceOf[i] = lastIndex;
    });
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
    , m_mostSamples(result.mostSamplesInAnHour())
    , m_cells(qsizetype(m_ladder.size()) * m_occurrencesUpTo)
{
    int deviceCount = 0;
    const QList<int> deviceOf = devicesOfCells(result, &deviceCount);
    const std::size_t steps = std::size_t(m_ladder.size());
    const std::size_t width = std::size_t(m_occurrencesUpTo) + 1;
    const std::size_t hours = std::size_t(std::max(m_rangeHours, 0));
    std::vector<qint32> perHour(steps * hours * width, 0);
    std::vector<qint16> highestOfDevice(steps * std::size_t(deviceCount), 0);
    // One pass over the cells for every step, as a cell's counts lie side by side: a device-hour
    // with n samples at or over the threshold is caught for every occurrences value up to n, so
    // counting each n once per hour and per device answers all occurrences values together.
    for (qsizetype i = 0; i < deviceOf.size(); ++i) {
        if (deviceOf[i] < 0)
            continue;
        const std::size_t hour = result.hourOf(i);
        for (std::size_t step = 0; step < steps; ++step) {
            const auto n = qint16(std::min<qint32>(result.count(i, int(step)), m_occurrencesUpTo));
            if (n < 1)
                continue;
            ++perHour[(step * hours + hour) * width + std::size_t(n)];
            qint16 &highest
                = highestOfDevice[step * std::size_t(deviceCount) + std::size_t(deviceOf[i])];
            highest = std::max(highest, n);
        }
    }
    for (std::size_t step = 0; step < steps; ++step)
        addStep(int(step), perHour.data() + step * hours * width,
            highestOfDevice.data() + step * std::size_t(deviceCount), deviceCount);
}

// A step's cells from its tallies: per hour the devices caught exactly n times (n capped at the
// highest occurrences value), per device its highest n in any hour.
void TuningSurface::addStep(
    int step, const qint32 *perHour, const qint16 *highestOfDevice, int deviceCount)
{
    const int top = m_occurrencesUpTo;
    QList<qint32> devicesAtLeast(top + 1, 0);
    for (int d = 0; d < deviceCount; ++d)
        ++devicesAtLeast[highestOfDevice[d]];
    accumulateFromTop(devicesAtLeast);
    for (qint16 o = 1; o <= top; ++o)
        m_cells[qsizetype(step) * top + o - 1].devices = devicesAtLeast[o];
    for (int h = 0; h < m_rangeHours; ++h) {
        const qint32 *ofHour = perHour + qsizetype(h) * (top + 1);
        QList<qint32> caught(ofHour, ofHour + top + 1);
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
        if (isWithinBudget(step, occurrences, budget))
            return step;
    }
    return std::nullopt;
}

// A step is reached when some device had a sample at or over it: then it caught that device at
// least once with occurrences 1.
std::optional<int> TuningSurface::firstUnreachedStep() const
{
    for (int step = 0; step < m_ladder.size(); ++step) {
        if (cell(step, 1).devices == 0)
            return step;
    }
    return std::nullopt;
}

bool TuningSurface::neverFires(int step, qint16 occurrences) const
{
    return occurrences > m_mostSamples || cell(step, 1).devices == 0;
}

bool TuningSurface::hasNeverFiringCell() const
{
    return !isEmpty() && (m_occurrencesUpTo > m_mostSamples || firstUnreachedStep());
}

QString TuningSurface::neverFiresReason() const
{
    QString reason = SampleCoverage::mostSamplesText(m_mostSamples);
    if (const std::optional<int> step = firstUnreachedStep())
        reason += QStringLiteral(", no load at or over %1 %").arg(m_ladder.threshold(*step));
    return reason;
}

} // namespace tovik

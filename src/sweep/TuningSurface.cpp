#include "sweep/TuningSurface.h"

#include "sweep/LadderResult.h"
#include "sweep/SampleCoverage.h"

#include <algorithm>
#include <vector>

namespace tovik {

namespace {

SurfaceCounter countedFrom(const LadderResult &result, qint16 occurrencesUpTo)
{
    SurfaceCounter counter(result.ladder, occurrencesUpTo, result.monitored);
    std::vector<qint32> counts(std::size_t(result.ladder.size()) + 1);
    result.forEachCell([&](const LadderCell &cell, qsizetype i) {
        counts[0] = result.samples(i);
        for (int step = 0; step < result.ladder.size(); ++step)
            counts[std::size_t(step) + 1] = result.count(i, step);
        counter.add(cell, counts.data());
    });
    return counter;
}

} // namespace

TuningSurface::TuningSurface(const SurfaceCounter &counter)
    : m_ladder(counter.ladder())
    , m_occurrencesUpTo(counter.occurrencesUpTo())
    , m_rangeHours(counter.rangeHours())
    , m_mostSamples(counter.mostSamplesInAnHour())
    , m_cells(counter.cells())
{
}

TuningSurface::TuningSurface(const LadderResult &result, qint16 occurrencesUpTo)
    : TuningSurface(countedFrom(result, occurrencesUpTo))
{
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

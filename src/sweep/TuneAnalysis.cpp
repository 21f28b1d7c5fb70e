#include "sweep/TuneAnalysis.h"

#include "monitoring/AlarmRules.h"
#include "sweep/IncidentCounter.h"
#include "sweep/IncidentMatch.h"
#include "sweep/LadderResult.h"
#include "sweep/SurfaceCounter.h"

#include <algorithm>
#include <tuple>

namespace tovik {

namespace {

constexpr int kHoursPerDay = 24;

// The first hour of the held-out days; the range's end when none are held out or the days would
// leave nothing to choose on.
int heldOutFrom(const SweepRange &range, int holdOutDays)
{
    const int heldOut = holdOutDays * kHoursPerDay;
    return holdOutDays > 0 && heldOut < range.hourCount() ? range.hourCount() - heldOut
                                                          : range.hourCount();
}

} // namespace

// One part of the range, counted on its own: the settings are chosen on the first and scored on
// the second.
struct TunePart
{
    int firstHour = 0;
    SweepRange range;
    SurfaceCounter counter;
    std::optional<IncidentCounter> incidents;
    // Drawn from the counters once all node-hours are in.
    mutable std::optional<TuningSurface> surface;
    mutable std::optional<IncidentSurface> incidentSurface;
};

struct TuneAnalysis::Counting
{
    std::optional<IncidentMatch> match;
    // The part chosen on, then the held-out part if any.
    std::vector<TunePart> parts;
    QList<bool> monitored;
    std::vector<int> found;

    TunePart &partOf(int hour)
    {
        return parts.size() > 1 && hour >= parts[1].firstHour ? parts[1] : parts[0];
    }
};

// Only a setting that can be chosen needs its devices' caught hours: tune's, with a budget.
TuneAnalysis::TuneAnalysis(const SweepSettings &settings, TuneRequest request)
    : TuneAnalysis(settings, request, settings.countedLadder(),
        request.budget ? SurfaceCounter::DeviceHours::Counted
                       : SurfaceCounter::DeviceHours::Uncounted)
{
}

TuneAnalysis::TuneAnalysis(const SweepSettings &settings, TuneRequest request,
    const ThresholdLadder &ladder, SurfaceCounter::DeviceHours deviceHours)
    : m_settings(settings)
    , m_request(std::move(request))
    , m_counting(std::make_unique<Counting>())
{
    const SweepRange &range = m_settings.range;
    m_frame.range = range;
    m_counting->monitored = m_settings.monitoredHours();
    const int split = heldOutFrom(range, m_request.holdOutDays);
    for (const auto &[first, count] :
        {std::pair {0, split}, std::pair {split, range.hourCount() - split}}) {
        // The part chosen on is there even for a range without hours.
        if (count == 0 && first > 0)
            continue;
        TunePart part {first, range.part(first, count),
            SurfaceCounter(ladder, m_request.occurrencesUpTo,
                m_counting->monitored.mid(first, count), deviceHours),
            std::nullopt, std::nullopt, std::nullopt};
        if (m_request.incidents)
            part.incidents.emplace(*m_request.incidents, range, first, count, ladder.size(),
                m_request.occurrencesUpTo);
        m_counting->parts.push_back(std::move(part));
    }
    if (m_request.incidents)
        m_counting->match.emplace(*m_request.incidents, range, m_request.leadHours);
}

TuneAnalysis::TuneAnalysis(const TuneAnalysis &other)
    : m_settings(other.m_settings)
    , m_request(other.m_request)
    , m_frame(other.m_frame)
    , m_counting(std::make_unique<Counting>(*other.m_counting))
{
}

TuneAnalysis::TuneAnalysis(TuneAnalysis &&other) noexcept = default;

TuneAnalysis &TuneAnalysis::operator=(const TuneAnalysis &other)
{
    if (this != &other)
        *this = TuneAnalysis(other);
    return *this;
}

TuneAnalysis &TuneAnalysis::operator=(TuneAnalysis &&other) noexcept = default;

TuneAnalysis::~TuneAnalysis() = default;

void TuneAnalysis::begin(const SweepFrame &frame)
{
    m_frame = frame;
    if (m_counting->match)
        m_counting->match->resolve(frame);
}

void TuneAnalysis::add(const LadderCell &cell, const qint32 *counts)
{
    Counting &counting = *m_counting;
    TunePart &part = counting.partOf(cell.hourIndex);
    part.surface.reset();
    part.incidentSurface.reset();
    part.counter.add(
        {cell.nodeId, quint16(cell.hourIndex - part.firstHour), cell.reportIndex}, counts);
    if (!counting.match || !AlarmRules::isDevice(cell.nodeId)
        || !counting.monitored.value(cell.hourIndex))
        return;
    counting.match->ownIncidentsOf(cell, counting.found);
    part.incidents->add(cell, counts, counting.found,
        !counting.match->anyDeviceIncidentsAt(cell.hourIndex).empty());
}

TuneAnalysis TuneAnalysis::of(
    const LadderResult &result, const SweepSettings &settings, TuneRequest request)
{
    // The result's own range and ladder, which its cells' hours and counts follow.
    SweepSettings counted = settings;
    counted.range = result.range;
    TuneAnalysis analysis(
        counted, std::move(request), result.ladder, SurfaceCounter::DeviceHours::Counted);
    analysis.begin(result);
    std::vector<qint32> counts(std::size_t(result.ladder.size()) + 1);
    result.forEachCell([&](const LadderCell &cell, qsizetype i) {
        counts[0] = result.samples(i);
        for (int step = 0; step < result.ladder.size(); ++step)
            counts[std::size_t(step) + 1] = result.count(i, step);
        analysis.add(cell, counts.data());
    });
    return analysis;
}

const TuningSurface &TuneAnalysis::surfaceOf(const TunePart &part)
{
    if (!part.surface)
        part.surface.emplace(part.counter);
    return *part.surface;
}

const IncidentSurface *TuneAnalysis::incidentSurfaceOf(const TunePart &part) const
{
    if (!part.incidents)
        return nullptr;
    if (!part.incidentSurface)
        part.incidentSurface.emplace(
            part.incidents->surface(part.counter, surfaceOf(part), *m_counting->match));
    return &*part.incidentSurface;
}

const TunePart &TuneAnalysis::choicePart() const
{
    return m_counting->parts.front();
}

const TunePart *TuneAnalysis::heldOutPart() const
{
    return m_counting->parts.size() > 1 ? &m_counting->parts[1] : nullptr;
}

const TuningSurface &TuneAnalysis::surface() const
{
    return surfaceOf(choicePart());
}

const SweepRange &TuneAnalysis::choiceRange() const
{
    return choicePart().range;
}

std::optional<SweepRange> TuneAnalysis::heldOutRange() const
{
    const TunePart *heldOut = heldOutPart();
    return heldOut ? std::optional(heldOut->range) : std::nullopt;
}

const QList<Incident> &TuneAnalysis::incidents() const
{
    static const QList<Incident> none;
    return m_request.incidents ? *m_request.incidents : none;
}

const IncidentSurface *TuneAnalysis::incidentSurface() const
{
    return incidentSurfaceOf(choicePart());
}

bool TuneAnalysis::namesDevice(int incident) const
{
    return m_counting->match && m_counting->match->namesDevice(incident);
}

std::optional<QString> TuneAnalysis::unmatchedIncidentsText() const
{
    return m_counting->match ? m_counting->match->unmatchedText() : std::nullopt;
}

std::optional<TuneSetting> TuneAnalysis::best() const
{
    const IncidentSurface *incidents = incidentSurface();
    if (!m_request.budget || !incidents)
        return std::nullopt;
    const TuningSurface &part = surface();
    std::optional<TuneSetting> best;
    // Ordered so that the better setting is the greater.
    const auto rank = [&](const TuneSetting &setting) {
        return std::tuple(incidents->cell(setting.step, setting.occurrences).incidentsCaught,
            -part.cell(setting.step, setting.occurrences).alarms, setting.step,
            -setting.occurrences);
    };
    for (int step = 0; step < part.ladder().size(); ++step) {
        for (qint16 o = 1; o <= part.occurrencesUpTo(); ++o) {
            const TuneSetting setting {step, o};
            if (part.isWithinBudget(step, o, *m_request.budget)
                && (!best || rank(setting) > rank(*best)))
                best = setting;
        }
    }
    return best;
}

std::optional<TuneSetting> TuneAnalysis::chosen() const
{
    if (!m_request.budget)
        return std::nullopt;
    if (m_request.incidents)
        return best();
    const TuningSurface &part = surface();
    std::optional<TuneSetting> chosen;
    for (qint16 o = 1; o <= part.occurrencesUpTo(); ++o) {
        const std::optional<int> step = part.recommendedStep(o, *m_request.budget);
        if (step
            && (!chosen
                || part.cell(*step, o).alarms
                    > part.cell(chosen->step, chosen->occurrences).alarms))
            chosen = TuneSetting {*step, o};
    }
    return chosen;
}

std::array<qint64, 24> TuneAnalysis::alarmsByHourOfDay(const TuneSetting &setting) const
{
    const TunePart &part = choicePart();
    std::array<qint64, 24> alarms {};
    for (int h = 0; h < part.range.hourCount(); ++h)
        alarms[std::size_t(part.range.hour(h).time().hour())]
            += part.counter.alarmsInHour(setting.step, setting.occurrences, h);
    return alarms;
}

NoiseProfile TuneAnalysis::noise(const TuneSetting &setting) const
{
    NoiseProfile profile;
    profile.setting = setting;
    profile.alarmsByHourOfDay = alarmsByHourOfDay(setting);
    profile.alarms = surface().cell(setting.step, setting.occurrences).alarms;
    QList<DeviceAlarms> devices
        = choicePart().counter.alarmsByDevice(setting.step, setting.occurrences);
    std::sort(devices.begin(), devices.end(), [](const DeviceAlarms &a, const DeviceAlarms &b) {
        return std::tuple(-a.alarms, a.reportIndex, a.nodeId)
            < std::tuple(-b.alarms, b.reportIndex, b.nodeId);
    });
    qint64 alarmsOfTop = 0;
    for (const DeviceAlarms &device : std::as_const(devices)) {
        if (2 * alarmsOfTop >= profile.alarms)
            break;
        alarmsOfTop += device.alarms;
        ++profile.devicesForHalf;
    }
    if (profile.alarms > 0)
        profile.shareOfThoseDevices = 100.0 * double(alarmsOfTop) / double(profile.alarms);
    profile.topDevices = devices.mid(0, NoiseProfile::kTopDevices);
    return profile;
}

std::optional<MonitoringSuggestion> TuneAnalysis::monitoringTime(const TuneSetting &setting) const
{
    const IncidentSurface *incidents = incidentSurface();
    const qint16 currentStart = m_settings.monStartHour;
    const qint16 currentStop = m_settings.monStopHour;
    if (!incidents || currentStart >= currentStop)
        return std::nullopt;
    const std::array<qint64, 24> byHour = alarmsByHourOfDay(setting);
    const auto alarmsOf = [&byHour](int start, int stop) {
        qint64 alarms = 0;
        for (int h = start; h < stop; ++h)
            alarms += byHour[std::size_t(h)];
        return alarms;
    };
    // The hours of day of each incident the current time catches: a time keeps it when it holds
    // one of them.
    QList<quint32> caught;
    for (int i = 0; i < incidents->incidentCount(); ++i) {
        if (incidents->catches(i, setting.step, setting.occurrences))
            caught << incidents->countingHoursOfDay(i, setting.step, setting.occurrences);
    }
    // Nothing to keep: any hour without alarms would do, which says nothing.
    if (caught.isEmpty())
        return std::nullopt;
    const auto keepsAll = [&caught](int start, int stop) {
        const quint32 hours = ((1u << stop) - 1u) & ~((1u << start) - 1u);
        return std::all_of(
            caught.cbegin(), caught.cend(), [hours](quint32 of) { return (of & hours) != 0; });
    };
    MonitoringSuggestion suggestion {currentStart, currentStop, currentStart, currentStop,
        alarmsOf(currentStart, currentStop), alarmsOf(currentStart, currentStop)};
    // Fewest alarms, then the widest, then the earliest: the current time is the widest of all.
    for (int start = currentStart; start < currentStop; ++start) {
        for (int stop = currentStop; stop > start; --stop) {
            const qint64 alarms = alarmsOf(start, stop);
            const bool better = alarms < suggestion.alarms
                || (alarms == suggestion.alarms
                    && stop - start > suggestion.stop - suggestion.start);
            if (better && keepsAll(start, stop)) {
                suggestion.start = qint16(start);
                suggestion.stop = qint16(stop);
                suggestion.alarms = alarms;
            }
        }
    }
    return suggestion;
}

HoldOutScore TuneAnalysis::scoreOnHeldOut(const TuneSetting &setting) const
{
    const TunePart &heldOut = *heldOutPart();
    const TuningSurface &seen = surfaceOf(heldOut);
    HoldOutScore score {m_request.holdOutDays, setting,
        surface().alarmsPerDay(setting.step, setting.occurrences),
        seen.cell(setting.step, setting.occurrences).alarms,
        seen.alarmsPerDay(setting.step, setting.occurrences), std::nullopt, std::nullopt};
    if (const IncidentSurface *incidents = incidentSurfaceOf(heldOut)) {
        score.incidentsCaught = incidents->cell(setting.step, setting.occurrences).incidentsCaught;
        score.incidentsInPart = incidents->incidentsInPart();
    }
    return score;
}

QList<HoldOutScore> TuneAnalysis::holdOut() const
{
    QList<HoldOutScore> scores;
    if (!heldOutPart() || !m_request.budget)
        return scores;
    if (m_request.incidents) {
        if (const std::optional<TuneSetting> setting = best())
            scores << scoreOnHeldOut(*setting);
        return scores;
    }
    for (qint16 o = 1; o <= surface().occurrencesUpTo(); ++o) {
        if (const std::optional<int> step = surface().recommendedStep(o, *m_request.budget))
            scores << scoreOnHeldOut({*step, o});
    }
    return scores;
}

} // namespace tovik

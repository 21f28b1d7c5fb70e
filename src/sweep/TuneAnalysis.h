#pragma once

#include "sweep/HoldOutScore.h"
#include "sweep/IncidentSurface.h"
#include "sweep/MonitoringSuggestion.h"
#include "sweep/NoiseProfile.h"
#include "sweep/SweepFrame.h"
#include "sweep/SweepSettings.h"
#include "sweep/TuneRequest.h"
#include "sweep/TuneSetting.h"
#include "sweep/TuningSurface.h"

#include <memory>
#include <optional>

namespace tovik {

struct LadderResult;
struct TunePart;

// The one consumer of a tuning's node-hours and the answers drawn from them: the surface, the
// incidents each setting catches, the best and the chosen setting, where the chosen one's alarms
// come from and how a setting chosen before the last days does on them. Node-hours are counted
// as they come and none is kept, so that `tune` streams them and the explorer replays its result
// through the same rules.
class TuneAnalysis
{
public:
    TuneAnalysis(const SweepSettings &settings, TuneRequest request);
    TuneAnalysis(const TuneAnalysis &other);
    TuneAnalysis(TuneAnalysis &&other) noexcept;
    TuneAnalysis &operator=(const TuneAnalysis &other);
    TuneAnalysis &operator=(TuneAnalysis &&other) noexcept;
    ~TuneAnalysis();

    // Once the reports and the nodes' attributes are known, before the first add(): the
    // incidents' devices are resolved against the nodes.
    void begin(const SweepFrame &frame);
    // counts: the node-hour's samples at any load, then those at or over each threshold of the
    // settings' counted ladder, in its order.
    void add(const LadderCell &cell, const qint32 *counts);

    // begin() and add() for every cell of a result in memory, as the explorer holds one: its range
    // and ladder, the settings' monitoring time.
    static TuneAnalysis of(
        const LadderResult &result, const SweepSettings &settings, TuneRequest request);

    const TuneRequest &request() const { return m_request; }
    const SweepSettings &settings() const { return m_settings; }
    // The nodes' names and addresses, for the devices of a noise profile.
    const SweepFrame &frame() const { return m_frame; }

    // The part of the range the choices are made on: the whole range, or the hours before the
    // held-out days.
    const TuningSurface &surface() const;
    const SweepRange &choiceRange() const;
    // The held-out days; nothing without a hold-out.
    std::optional<SweepRange> heldOutRange() const;

    // Empty without an incidents file.
    const QList<Incident> &incidents() const;
    // On the choice part; nullptr without an incidents file.
    const IncidentSurface *incidentSurface() const;
    // Whether the incident's device text matched a counted device (always for any device).
    bool namesDevice(int incident) const;
    // "2 incident(s) name no device: line 4 "core-9", line 7 "10.0.0.9""; nothing when every
    // incident names one.
    std::optional<QString> unmatchedIncidentsText() const;

    // With a budget and incidents: within the budget, the most incidents caught, then the fewest
    // alarms, then the highest threshold, then the fewest occurrences.
    std::optional<TuneSetting> best() const;
    // The setting whose noise is shown: the best one, or with a budget and no incidents the
    // recommended setting with the most alarms (ties: fewer occurrences); nothing without a
    // budget.
    std::optional<TuneSetting> chosen() const;
    // On the part chosen on. Its devices are counted in the explorer's analysis (of()) and in
    // tune's with a budget; without them topDevices is empty.
    NoiseProfile noise(const TuneSetting &setting) const;
    // Among the monitoring times within the current one, the one with the fewest alarms of the
    // setting that still catches every incident the current one catches (ties: the widest, then
    // the earliest); nothing without an incidents file or when the setting catches no incident.
    std::optional<MonitoringSuggestion> monitoringTime(const TuneSetting &setting) const;
    // Empty without a hold-out: the best setting's score with incidents, else one per
    // occurrences value with a recommended step.
    QList<HoldOutScore> holdOut() const;

private:
    struct Counting;

    TuneAnalysis(const SweepSettings &settings, TuneRequest request, const ThresholdLadder &ladder,
        SurfaceCounter::DeviceHours deviceHours);

    static const TuningSurface &surfaceOf(const TunePart &part);
    const IncidentSurface *incidentSurfaceOf(const TunePart &part) const;
    const TunePart &choicePart() const;
    const TunePart *heldOutPart() const;
    std::array<qint64, 24> alarmsByHourOfDay(const TuneSetting &setting) const;
    HoldOutScore scoreOnHeldOut(const TuneSetting &setting) const;

    SweepSettings m_settings;
    TuneRequest m_request;
    SweepFrame m_frame;
    std::unique_ptr<Counting> m_counting;
};

} // namespace tovik

#include "sweep/TuneAnalysis.h"

#include "sweep/LadderResult.h"
#include "sweep/SurfaceCounter.h"

namespace tovik {

struct TuneAnalysis::Counting
{
    SurfaceCounter counter;
    mutable std::optional<TuningSurface> surface;
};

TuneAnalysis::TuneAnalysis(const SweepSettings &settings, TuneRequest request)
    : m_settings(settings)
    , m_request(std::move(request))
    , m_counting(std::make_unique<Counting>(
          Counting {SurfaceCounter(m_settings.countedLadder(), m_request.occurrencesUpTo,
                        m_settings.monitoredHours()),
              std::nullopt}))
{
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
}

void TuneAnalysis::add(const LadderCell &cell, const qint32 *counts)
{
    m_counting->surface.reset();
    m_counting->counter.add(cell, counts);
}

TuneAnalysis TuneAnalysis::of(
    const LadderResult &result, const SweepSettings &settings, TuneRequest request)
{
    TuneAnalysis analysis(settings, std::move(request));
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

const TuningSurface &TuneAnalysis::surface() const
{
    if (!m_counting->surface)
        m_counting->surface.emplace(m_counting->counter);
    return *m_counting->surface;
}

const SweepRange &TuneAnalysis::choiceRange() const
{
    return m_settings.range;
}

std::optional<SweepRange> TuneAnalysis::heldOutRange() const
{
    return std::nullopt;
}

const QList<Incident> &TuneAnalysis::incidents() const
{
    static const QList<Incident> none;
    return m_request.incidents ? *m_request.incidents : none;
}

const IncidentSurface *TuneAnalysis::incidentSurface() const
{
    return nullptr;
}

bool TuneAnalysis::namesDevice(int incident) const
{
    Q_UNUSED(incident);
    return true;
}

std::optional<QString> TuneAnalysis::unmatchedIncidentsText() const
{
    return std::nullopt;
}

std::optional<TuneSetting> TuneAnalysis::best() const
{
    return std::nullopt;
}

std::optional<TuneSetting> TuneAnalysis::chosen() const
{
    return std::nullopt;
}

NoiseProfile TuneAnalysis::noise(const TuneSetting &setting) const
{
    NoiseProfile profile;
    profile.setting = setting;
    return profile;
}

std::optional<MonitoringSuggestion> TuneAnalysis::monitoringTime(const TuneSetting &setting) const
{
    Q_UNUSED(setting);
    return std::nullopt;
}

QList<HoldOutScore> TuneAnalysis::holdOut() const
{
    return {};
}

} // namespace tovik

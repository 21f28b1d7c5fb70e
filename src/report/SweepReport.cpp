#include "report/SweepReport.h"

#include "sweep/LadderResult.h"

namespace tovik {

namespace {

// The server as the connection names it, with its port when one was given.
QString serverOf(const ConnectionFields &fields)
{
    return fields.SqlDbPort.isEmpty() ? fields.SqlDbServer
                                      : fields.SqlDbServer + u':' + fields.SqlDbPort;
}

} // namespace

SweepReport::SweepReport(const SweepSettings &settings, std::shared_ptr<const SweepGrid> grid,
    const LadderResult *ladder, std::optional<AlarmChoice> baseline, std::optional<double> budget,
    const TuneAnalysis *analysis)
    : m_server(serverOf(settings.connection))
    , m_database(settings.connection.SqlDatabase)
    , m_monStartHour(settings.monStartHour)
    , m_monStopHour(settings.monStopHour)
    , m_setting {settings.threshold, settings.occurrences}
    , m_baseline(baseline)
    , m_budget(budget)
    , m_grid(std::move(grid))
{
    // The analysis' surface is the tuning table's own.
    if (analysis) {
        m_surface = analysis->surface();
    } else if (ladder) {
        // As wide as the explorer's tuning table, so that the setting's own column is there.
        m_surface = TuningSurface(
            *ladder, std::max(TuningSurface::kDefaultOccurrencesUpTo, settings.occurrences));
    }
    for (const int device : m_grid->byHoursCaught(settings.occurrences)) {
        const int caught = m_grid->hoursCaught(device, settings.occurrences);
        if (caught == 0)
            break;
        m_caughtDevices << device;
        m_alarms += caught;
    }
    if (analysis)
        scoreIncidents(*analysis);
}

void SweepReport::scoreIncidents(const TuneAnalysis &analysis)
{
    const IncidentSurface *incidents = analysis.incidentSurface();
    const std::optional<int> step = analysis.surface().ladder().stepOf(m_setting.threshold);
    if (!incidents || !step || m_setting.occurrences > analysis.surface().occurrencesUpTo())
        return;
    const TuneSetting setting {*step, m_setting.occurrences};
    m_incidents = analysis.incidents();
    for (int i = 0; i < incidents->incidentCount(); ++i)
        m_incidentsCaught << incidents->catches(i, setting.step, setting.occurrences);
    m_noise = analysis.noise(setting);
    if (const std::optional<MonitoringSuggestion> monitoring = analysis.monitoringTime(setting))
        m_monitoringSuggestion = monitoring->text();
}

} // namespace tovik

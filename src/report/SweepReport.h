#pragma once

#include "sweep/AlarmChoice.h"
#include "sweep/Incident.h"
#include "sweep/NoiseProfile.h"
#include "sweep/SweepGrid.h"
#include "sweep/SweepSettings.h"
#include "sweep/TuneAnalysis.h"
#include "sweep/TuningSurface.h"

#include <QList>
#include <QString>
#include <memory>
#include <optional>

namespace tovik {

struct LadderResult;

// What a report to share holds of one sweep: where the samples came from (the server and the
// database, never a password), the range, the monitoring time, the setting and a baseline, the
// tuning surface with the budget it is judged by, the devices the setting caught and, with
// incidents, each incident and whether the setting caught it, and where its alarms come from. It
// keeps no connection setting besides those two, so that nothing else can reach a page.
class SweepReport
{
public:
    // grid at settings.threshold; ladder, when given, answers the tuning surface; budget in
    // alarms per day; analysis, of the same result, gives the incidents when it has some.
    SweepReport(const SweepSettings &settings, std::shared_ptr<const SweepGrid> grid,
        const LadderResult *ladder, std::optional<AlarmChoice> baseline = std::nullopt,
        std::optional<double> budget = std::nullopt, const TuneAnalysis *analysis = nullptr);

    QString server() const { return m_server; }
    QString database() const { return m_database; }
    const SweepRange &range() const { return m_grid->result().range; }
    qint16 monStartHour() const { return m_monStartHour; }
    qint16 monStopHour() const { return m_monStopHour; }
    AlarmChoice setting() const { return m_setting; }
    const std::optional<AlarmChoice> &baseline() const { return m_baseline; }
    std::optional<double> budget() const { return m_budget; }

    const SweepGrid &grid() const { return *m_grid; }
    // Empty without a ladder result.
    const TuningSurface &surface() const { return m_surface; }
    // The devices caught at least once, the most often caught first.
    const QList<int> &caughtDevices() const { return m_caughtDevices; }
    // Caught device-hours: the traps the setting would have sent.
    qint64 alarms() const { return m_alarms; }

    // Empty without incidents.
    const QList<Incident> &incidents() const { return m_incidents; }
    // Whether the setting caught each of incidents().
    const QList<bool> &incidentsCaught() const { return m_incidentsCaught; }
    // The setting's alarms by hour of day and its noisiest devices; nothing without incidents.
    const std::optional<NoiseProfile> &noise() const { return m_noise; }
    // The monitoring time that keeps the setting's incidents with the fewest alarms.
    const std::optional<QString> &monitoringSuggestion() const { return m_monitoringSuggestion; }

private:
    QString m_server;
    QString m_database;
    qint16 m_monStartHour = 0;
    qint16 m_monStopHour = 24;
    AlarmChoice m_setting;
    std::optional<AlarmChoice> m_baseline;
    std::optional<double> m_budget;
    std::shared_ptr<const SweepGrid> m_grid;
    TuningSurface m_surface;
    QList<int> m_caughtDevices;
    qint64 m_alarms = 0;
    QList<Incident> m_incidents;
    QList<bool> m_incidentsCaught;
    std::optional<NoiseProfile> m_noise;
    std::optional<QString> m_monitoringSuggestion;

    void scoreIncidents(const TuneAnalysis &analysis);
};

} // namespace tovik

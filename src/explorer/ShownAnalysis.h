#pragma once

#include "sweep/AlarmChoice.h"
#include "sweep/Incident.h"
#include "sweep/IncidentMatch.h"
#include "sweep/SweepSettings.h"
#include "sweep/TuneAnalysis.h"

#include <QObject>
#include <memory>
#include <optional>

namespace tovik {

struct LadderResult;

// The tuning's answers for the result on screen, drawn from its ladder in memory through the same
// rules as tune's: the surface, the incidents each setting catches, the best setting within the
// budget and where the setting on screen's alarms come from. Made anew for each result, for
// incidents loaded, for another budget while incidents are loaded (the best setting depends on
// it) and for occurrences past the surface's.
class ShownAnalysis : public QObject
{
    Q_OBJECT

public:
    explicit ShownAnalysis(QObject *parent = nullptr);

    // The incidents of the file at path; a refused file leaves everything as it was and gives
    // its line and reason.
    bool loadIncidents(const QString &path, QString *failure);
    // Incidents read elsewhere, as from the command line.
    void setIncidents(const QString &path, QList<Incident> incidents);
    bool hasIncidents() const { return m_incidents.has_value(); }
    // Empty without incidents.
    const QList<Incident> &incidents() const;

    // A result with no sample has no surface: its zeros would look quiet. The analysis does not
    // keep result alive: a result replaced on screen is freed before the next is drawn.
    void showResult(const std::shared_ptr<const LadderResult> &result,
        const SweepSettings &settings, AlarmChoice current);
    void setCurrent(AlarmChoice current);
    void setBudget(double budget);
    double budget() const { return m_budget; }
    // The last whole days the choices are scored on apart, chosen on the hours before them; 0
    // for none.
    void setHoldOutDays(int days);

    // nullptr before a result with samples.
    const std::shared_ptr<const TuneAnalysis> &analysis() const { return m_analysis; }
    // The analysis of the whole range, for the report: the one on screen unless days are held
    // out, else one made for it.
    std::shared_ptr<const TuneAnalysis> wholeRangeAnalysis() const;
    AlarmChoice current() const { return m_current; }
    // The setting on screen as a cell of the surface; nothing without an analysis.
    std::optional<TuneSetting> currentSetting() const;

    // The incidents of report reportId's node nodeId that overlap the range on screen: those
    // naming it and those of any device.
    QList<Incident> incidentsOf(qint32 reportId, qint32 nodeId);

    // "5 incidents loaded from PATH.", with the incidents that name no device once a result
    // has been analysed.
    QString loadedText() const;
    // "3 of 5 incidents caught.", with those that name no device; empty without incidents.
    QString caughtText() const;
    // How the setting chosen before the held-out days does on them: the best one with incidents,
    // else the one recommended for the occurrences on screen; empty without a hold-out.
    QString holdOutText() const;

signals:
    // Another analysis: of another result, incidents, budget or wider occurrences.
    void analysed();

private:
    void analyse();
    std::shared_ptr<const TuneAnalysis> analysisOf(
        const LadderResult &result, int holdOutDays) const;

    std::weak_ptr<const LadderResult> m_result;
    SweepSettings m_settings;
    AlarmChoice m_current;
    double m_budget = 0.0;
    int m_holdOutDays = 0;
    QString m_incidentsPath;
    std::optional<QList<Incident>> m_incidents;
    std::shared_ptr<const TuneAnalysis> m_analysis;
    // The incidents' devices resolved against the analysis' nodes, as its counting resolves them;
    // nothing without incidents.
    std::optional<IncidentMatch> m_match;
};

} // namespace tovik

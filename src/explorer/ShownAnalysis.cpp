#include "explorer/ShownAnalysis.h"

#include "explorer/ExplorerText.h"
#include "sweep/IncidentFile.h"
#include "sweep/LadderResult.h"
#include "sweep/SampleCoverage.h"

namespace tovik {

ShownAnalysis::ShownAnalysis(QObject *parent)
    : QObject(parent)
{
}

bool ShownAnalysis::loadIncidents(const QString &path, QString *failure)
{
    std::optional<QList<Incident>> read = IncidentFile::read(path, failure);
    if (!read)
        return false;
    setIncidents(path, std::move(*read));
    return true;
}

void ShownAnalysis::setIncidents(const QString &path, QList<Incident> incidents)
{
    m_incidentsPath = path;
    m_incidents = std::move(incidents);
    analyse();
}

const QList<Incident> &ShownAnalysis::incidents() const
{
    static const QList<Incident> none;
    return m_incidents ? *m_incidents : none;
}

void ShownAnalysis::showResult(const std::shared_ptr<const LadderResult> &result,
    const SweepSettings &settings, AlarmChoice current)
{
    m_result = SampleCoverage::hasAnySample(*result) ? result : nullptr;
    m_settings = settings;
    m_current = current;
    analyse();
}

void ShownAnalysis::setCurrent(AlarmChoice current)
{
    m_current = current;
    // The surface reaches the occurrences on screen, so that their column is there.
    if (m_analysis && current.occurrences > m_analysis->surface().occurrencesUpTo())
        analyse();
}

void ShownAnalysis::setBudget(double budget)
{
    m_budget = budget;
    // Without incidents or a hold-out the budget chooses no setting of the analysis: the tuning
    // table judges its cells by it alone.
    if ((m_incidents || m_holdOutDays > 0) && m_analysis)
        analyse();
}

void ShownAnalysis::setHoldOutDays(int days)
{
    m_holdOutDays = days;
    if (m_analysis)
        analyse();
}

void ShownAnalysis::analyse()
{
    const std::shared_ptr<const LadderResult> result = m_result.lock();
    m_match.reset();
    if (!result) {
        m_analysis.reset();
        emit analysed();
        return;
    }
    m_analysis = analysisOf(*result, m_holdOutDays);
    if (m_incidents) {
        m_match.emplace(*m_incidents, result->range, 0);
        m_match->resolve(*result);
    }
    emit analysed();
}

std::shared_ptr<const TuneAnalysis> ShownAnalysis::analysisOf(
    const LadderResult &result, int holdOutDays) const
{
    TuneRequest request;
    request.occurrencesUpTo
        = std::max(TuningSurface::kDefaultOccurrencesUpTo, m_current.occurrences);
    request.budget = m_budget;
    request.incidents = m_incidents;
    request.holdOutDays = holdOutDays;
    // The ladder on screen may hold thresholds counted by later queries besides its own.
    SweepSettings counted = m_settings;
    counted.ladder = result.ladder;
    return std::make_shared<const TuneAnalysis>(
        TuneAnalysis::of(result, counted, std::move(request)));
}

std::shared_ptr<const TuneAnalysis> ShownAnalysis::wholeRangeAnalysis() const
{
    const std::shared_ptr<const LadderResult> result = m_result.lock();
    if (!m_analysis || !m_analysis->heldOutRange() || !result)
        return m_analysis;
    return analysisOf(*result, 0);
}

std::optional<TuneSetting> ShownAnalysis::currentSetting() const
{
    if (!m_analysis)
        return std::nullopt;
    const TuningSurface &surface = m_analysis->surface();
    const std::optional<int> step = surface.ladder().stepOf(m_current.threshold);
    if (!step || m_current.occurrences < 1 || m_current.occurrences > surface.occurrencesUpTo())
        return std::nullopt;
    return TuneSetting {*step, m_current.occurrences};
}

QList<Incident> ShownAnalysis::incidentsOf(qint32 reportId, qint32 nodeId)
{
    QList<Incident> of;
    const qsizetype report = m_analysis ? m_analysis->frame().reportIds.indexOf(reportId) : -1;
    if (!m_match || report < 0)
        return of;
    QList<bool> found(incidents().size(), false);
    std::vector<int> inHour;
    for (int h = 0; h < m_analysis->frame().range.hourCount(); ++h) {
        m_match->incidentsOf({nodeId, quint16(h), quint16(report)}, inHour);
        for (const int incident : inHour)
            found[incident] = true;
    }
    for (qsizetype i = 0; i < found.size(); ++i) {
        if (found.at(i))
            of << incidents().at(i);
    }
    return of;
}

QString ShownAnalysis::loadedText() const
{
    QString text = ExplorerText::incidentsLoaded(incidents().size(), m_incidentsPath);
    if (!m_analysis)
        return text + u' ' + ExplorerText::incidentsAwaitResult();
    if (const std::optional<QString> unmatched = m_analysis->unmatchedIncidentsText())
        text += u' ' + *unmatched + u'.';
    return text;
}

QString ShownAnalysis::caughtText() const
{
    const std::optional<TuneSetting> setting = currentSetting();
    const IncidentSurface *surface = m_analysis ? m_analysis->incidentSurface() : nullptr;
    if (!setting || !surface)
        return {};
    QString text = ExplorerText::incidentsCaught(
        surface->cell(setting->step, setting->occurrences).incidentsCaught,
        surface->incidentCount());
    if (const std::optional<QString> unmatched = m_analysis->unmatchedIncidentsText())
        text += u' ' + *unmatched + u'.';
    return text;
}

QString ShownAnalysis::holdOutText() const
{
    if (!m_analysis || m_holdOutDays == 0)
        return {};
    if (!m_analysis->heldOutRange())
        return ExplorerText::holdOutTooLong(m_holdOutDays, m_analysis->choiceRange().hourCount());
    const QList<HoldOutScore> scores = m_analysis->holdOut();
    const auto shown = std::find_if(scores.cbegin(), scores.cend(), [this](const HoldOutScore &s) {
        return m_incidents || s.setting.occurrences == m_current.occurrences;
    });
    return ExplorerText::holdOut(m_analysis->choiceRange(),
        shown == scores.cend() ? std::nullopt : std::optional(*shown),
        m_analysis->surface().ladder());
}

} // namespace tovik

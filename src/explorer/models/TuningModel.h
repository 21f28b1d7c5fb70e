#pragma once

#include "explorer/models/BaselineComparison.h"
#include "sweep/TuneAnalysis.h"

#include <QAbstractTableModel>
#include <memory>

namespace tovik {

// The tuning surface as a table: one row per threshold of the result's ladder, one column per
// occurrences value of the analysis' surface. A cell is the alarms per day that setting would have
// sent, or "-" for a setting that can never fire on the data; with incidents, shaded by the
// incidents caught, it is "caught/total" instead. The current setting is framed, cells over the
// budget dimmed, the lowest threshold within the budget marked recommended for each occurrences
// value, and with incidents the best setting within the budget marked.
class TuningModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Role {
        AlarmsPerDayRole = Qt::UserRole + 1,
        // The cell's alarms per day against the highest of the table, from 0 to 1, for shading.
        ShareRole,
        CurrentRole,
        OverBudgetRole,
        RecommendedRole,
        ThresholdRole,
        OccurrencesRole,
        NeverFiresRole,
        // The incidents the setting catches; nothing without incidents.
        IncidentsCaughtRole,
        BestRole,
    };
    // What the cells are shaded by, and with incidents what they show.
    enum class Shading { AlarmsPerDay, IncidentsCaught };

    static constexpr double kDefaultBudget = 10.0;

    explicit TuningModel(QObject *parent = nullptr);

    // nullptr for no table.
    void setAnalysis(std::shared_ptr<const TuneAnalysis> analysis, AlarmChoice current);
    void setCurrent(AlarmChoice current);
    void setBudget(double alarmsPerDay);
    double budget() const { return m_budget; }
    // By incidents caught only while incidents are loaded.
    void setShading(Shading shading);
    Shading shading() const;
    bool hasIncidents() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    static qint16 occurrencesOf(int column) { return qint16(column + 1); }
    bool isCurrent(int step, qint16 occurrences) const;
    bool isRecommended(int step, qint16 occurrences) const;
    bool isBest(int step, qint16 occurrences) const;
    QString cellText(int step, qint16 occurrences) const;
    double shareOf(int step, qint16 occurrences) const;
    QString cellTip(int step, qint16 occurrences) const;
    QString incidentsTip(int step, qint16 occurrences) const;
    const TuningSurface &surface() const { return m_analysis->surface(); }
    bool hasSurface() const { return m_analysis && !surface().ladder().isEmpty(); }
    void announceAllChanged();

    std::shared_ptr<const TuneAnalysis> m_analysis;
    AlarmChoice m_current;
    double m_budget = kDefaultBudget;
    Shading m_shading = Shading::AlarmsPerDay;
    // Chosen once per analysis, not once per cell painted.
    std::optional<TuneSetting> m_best;
    double m_highest = 0.0;
};

} // namespace tovik

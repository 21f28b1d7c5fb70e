#pragma once

#include "sweep/AlarmChoice.h"

#include <QWidget>
#include <memory>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

namespace tovik {

class TuneAnalysis;
class TuningModel;
class TuningView;

// The tuning table with its budget of alarms per day, which the table judges its cells by and
// the report carries, and with incidents loaded the choice of shading its cells by alarms a day
// or by incidents caught, and the days held out to score the choice on.
class TuningPanel : public QWidget
{
    Q_OBJECT

public:
    explicit TuningPanel(QWidget *parent = nullptr);

    TuningModel *model() const { return m_model; }
    TuningView *view() const { return m_view; }
    QDoubleSpinBox *budgetBox() const { return m_budget; }
    QComboBox *shadingBox() const { return m_shading; }
    QSpinBox *holdOutBox() const { return m_holdOut; }
    // How the setting chosen before the held-out days did on them; empty without a hold-out.
    void showHoldOut(const QString &text);
    // The surface of analysis with current framed; none without an analysis.
    void showAnalysis(std::shared_ptr<const TuneAnalysis> analysis, AlarmChoice current);
    double budget() const;
    void setBudget(double budget);

private:
    void showLegend();

    TuningModel *m_model = nullptr;
    TuningView *m_view = nullptr;
    QDoubleSpinBox *m_budget = nullptr;
    QComboBox *m_shading = nullptr;
    QLabel *m_legend = nullptr;
    QSpinBox *m_holdOut = nullptr;
    QLabel *m_holdOutText = nullptr;
};

} // namespace tovik

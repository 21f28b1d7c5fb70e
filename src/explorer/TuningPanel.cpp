#include "explorer/TuningPanel.h"

#include "explorer/FormParts.h"
#include "explorer/LegendText.h"
#include "explorer/TuningView.h"
#include "explorer/models/TuningModel.h"
#include "sweep/LadderResult.h"
#include "sweep/SampleCoverage.h"

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tovik {

TuningPanel::TuningPanel(QWidget *parent)
    : QWidget(parent)
    , m_model(new TuningModel(this))
{
    m_view = new TuningView;
    m_view->setModel(m_model);
    m_budget = new QDoubleSpinBox;
    m_budget->setObjectName(QStringLiteral("budget"));
    m_budget->setRange(0.0, 1e6);
    m_budget->setDecimals(1);
    m_budget->setSuffix(tr(" alarms per day"));
    m_budget->setValue(m_model->budget());
    connect(m_budget, &QDoubleSpinBox::valueChanged, m_model, &TuningModel::setBudget);
    auto *budgetRow = new QHBoxLayout;
    budgetRow->addWidget(FormParts::buddyLabel(tr("Bud&get:"), m_budget));
    budgetRow->addWidget(m_budget);
    auto *legend = new QLabel(
        LegendText::swatch(TuningDelegate::kRecommended, tr("lowest threshold within the budget"))
        + tr(
            "; faded: over the budget; framed: the setting on screen. Click a cell to choose it."));
    legend->setTextFormat(Qt::RichText);
    legend->setWordWrap(true);
    budgetRow->addWidget(legend, 1);
    auto *column = new QVBoxLayout(this);
    column->addLayout(budgetRow);
    column->addWidget(m_view, 1);
}

void TuningPanel::showResult(const std::shared_ptr<const LadderResult> &result, AlarmChoice current)
{
    // A range without samples has no surface to tune on, only zeros that would look quiet.
    m_model->setResult(SampleCoverage::hasAnySample(*result) ? result : nullptr, current);
}

double TuningPanel::budget() const
{
    return m_budget->value();
}

void TuningPanel::setBudget(double budget)
{
    m_budget->setValue(budget);
}

} // namespace tovik

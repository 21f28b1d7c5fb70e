#include "explorer/SweepForm.h"

#include "common/TimeFormats.h"
#include "explorer/FormParts.h"
#include "explorer/LadderSpinBox.h"
#include "monitoring/AlarmSetting.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tovik {

namespace {

QDateTime wholeHourBefore(const QDateTime &time, int hours)
{
    return QDateTime(time.date(), QTime(time.time().hour(), 0)).addSecs(-3600LL * hours);
}

} // namespace

SweepForm::SweepForm(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("sweepForm"));
    auto *box = new QGroupBox(tr("Sweep"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(box);
    auto *form = new QFormLayout(box);
    m_last = new QRadioButton(tr("&Last"));
    m_last->setObjectName(QStringLiteral("rangeLast"));
    m_lastHours = FormParts::spinBox("lastHours", 1, SweepRange::kMaxHours, tr(" hours"));
    m_fixed = new QRadioButton(tr("&From"));
    m_fixed->setObjectName(QStringLiteral("rangeFixed"));
    m_from = FormParts::hourEdit("from");
    m_to = FormParts::hourEdit("to");
    form->addRow(m_last, m_lastHours);
    form->addRow(m_fixed, m_from);
    form->addRow(tr("to"), m_to);

    m_monitoringStart = FormParts::spinBox("monitoringStart", AlarmSetting::kFirstStartHour,
        AlarmSetting::kLastStartHour, QStringLiteral(":00"));
    m_monitoringStop = FormParts::spinBox("monitoringStop", AlarmSetting::kFirstStopHour,
        AlarmSetting::kLastStopHour, QStringLiteral(":00"));
    auto *monitoringRow = new QHBoxLayout;
    monitoringRow->addWidget(m_monitoringStart);
    monitoringRow->addWidget(new QLabel(tr("to")));
    monitoringRow->addWidget(m_monitoringStop);
    monitoringRow->addStretch();
    form->addRow(FormParts::buddyLabel(tr("&Monitoring time:"), m_monitoringStart), monitoringRow);
    m_monitoringRefusal = new QLabel;
    m_monitoringRefusal->setObjectName(QStringLiteral("monitoringRefusal"));
    m_monitoringRefusal->setWordWrap(true);
    m_monitoringRefusal->setStyleSheet(QStringLiteral("color: #b00000"));
    m_monitoringRefusal->hide();
    form->addRow(QString(), m_monitoringRefusal);
    // The tester's ranges, so that a setting from its command line is shown as it was given.
    m_threshold = FormParts::spinBox<LadderSpinBox>(
        "threshold", AlarmSetting::kLowestValue, AlarmSetting::kHighestValue, QStringLiteral(" %"));
    m_occurrences = FormParts::spinBox(
        "occurrences", AlarmSetting::kLowestValue, AlarmSetting::kHighestValue);
    form->addRow(tr("Avg. CPU load &threshold:"), m_threshold);
    form->addRow(tr("&Occurrences:"), m_occurrences);
    setChoice(SweepChoice());
    connectBoxes();
}

void SweepForm::connectBoxes()
{
    connect(m_occurrences, &QSpinBox::valueChanged, this,
        [this](int value) { emit occurrencesChanged(qint16(value)); });
    connect(m_threshold, &QSpinBox::valueChanged, this,
        [this](int value) { emit thresholdChanged(qint16(value)); });
    for (QSpinBox *box : {m_monitoringStart, m_monitoringStop})
        connect(box, &QSpinBox::valueChanged, this, &SweepForm::showMonitoringRefusal);
    for (QSpinBox *box : {m_lastHours, m_monitoringStart, m_monitoringStop})
        connect(box, &QSpinBox::valueChanged, this, &SweepForm::rangeChanged);
    for (QDateTimeEdit *edit : {m_from, m_to})
        connect(edit, &QDateTimeEdit::dateTimeChanged, this, &SweepForm::rangeChanged);
    connect(m_last, &QRadioButton::toggled, this, &SweepForm::rangeChanged);
}

SweepChoice SweepForm::choice() const
{
    SweepChoice s;
    s.lastHours = m_lastHours->value();
    s.fixedRange = m_fixed->isChecked();
    s.from = m_from->dateTime().toString(TimeFormats::kWholeHour);
    s.to = m_to->dateTime().toString(TimeFormats::kWholeHour);
    s.monStartHour = qint16(m_monitoringStart->value());
    s.monStopHour = qint16(m_monitoringStop->value());
    s.threshold = qint16(m_threshold->value());
    s.occurrences = qint16(m_occurrences->value());
    return s;
}

void SweepForm::setChoice(const SweepChoice &s)
{
    const QSignalBlocker blocked(this);
    m_lastHours->setValue(s.lastHours);
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime from = QDateTime::fromString(s.from, TimeFormats::kWholeHour);
    const QDateTime to = QDateTime::fromString(s.to, TimeFormats::kWholeHour);
    m_from->setDateTime(from.isValid() ? from : wholeHourBefore(now, s.lastHours));
    m_to->setDateTime(to.isValid() ? to : wholeHourBefore(now, 0));
    (s.fixedRange ? m_fixed : m_last)->setChecked(true);
    m_monitoringStart->setValue(s.monStartHour);
    m_monitoringStop->setValue(s.monStopHour);
    m_threshold->setValue(s.threshold);
    m_occurrences->setValue(s.occurrences);
}

qint16 SweepForm::occurrences() const
{
    return qint16(m_occurrences->value());
}

void SweepForm::chooseSetting(AlarmChoice setting)
{
    m_occurrences->setValue(setting.occurrences);
    m_threshold->setValue(setting.threshold);
}

void SweepForm::setLadder(const ThresholdLadder &ladder)
{
    m_threshold->setLadder(ladder);
}

QString SweepForm::monitoringRefusal() const
{
    const int start = m_monitoringStart->value();
    const int stop = m_monitoringStop->value();
    return AlarmSetting::monitorsSomeHour(start, stop)
        ? QString()
        : AlarmSetting::noMonitoredHourText(start, stop);
}

void SweepForm::showMonitoringRefusal()
{
    const QString refusal = monitoringRefusal();
    m_monitoringRefusal->setText(refusal);
    m_monitoringRefusal->setVisible(!refusal.isEmpty());
}

QList<QWidget *> SweepForm::tabOrder() const
{
    return {m_last, m_lastHours, m_fixed, m_from, m_to, m_monitoringStart, m_monitoringStop,
        m_threshold, m_occurrences};
}

} // namespace tovik

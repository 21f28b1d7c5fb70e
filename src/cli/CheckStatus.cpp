#include "cli/CheckStatus.h"

#include "cli/CheckOptions.h"
#include "common/NodeName.h"
#include "common/TimeFormats.h"
#include "sweep/LadderResult.h"
#include "sweep/SampleCoverage.h"
#include "testrun/RunOutcome.h"

#include <QStringList>
#include <algorithm>

namespace tovik {

namespace {

constexpr int listedDevices = 5;

// The status text is one line, and '|' opens the performance data.
QString pluginText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(u'\n', u' ');
    text.replace(u'\r', u' ');
    text.replace(u'|', u'/');
    return text;
}

CheckStatus::Code codeFor(qsizetype caught, const CheckOptions &options)
{
    if (caught >= options.critical)
        return CheckStatus::Critical;
    if (options.warning && caught >= *options.warning)
        return CheckStatus::Warning;
    return CheckStatus::Ok;
}

QString stateName(CheckStatus::Code code)
{
    switch (code) {
    case CheckStatus::Ok:
        return QStringLiteral("OK");
    case CheckStatus::Warning:
        return QStringLiteral("WARNING");
    case CheckStatus::Critical:
        return QStringLiteral("CRITICAL");
    case CheckStatus::Unknown:
        break;
    }
    return QStringLiteral("UNKNOWN");
}

QString examinedHourText(const RunOutcome &outcome, const CheckOptions &options)
{
    // Named even when the monitoring time leaves it out, so that the line says which hour it was.
    const HourWindow hour = HourWindow::examinedHour(options.referenceTime, 0, 24);
    QString text = QStringLiteral("in hour ") + hour.start.left(16) + QStringLiteral(" to ")
        + hour.end.mid(11, 5);
    if (outcome.examinedHour.start.isEmpty()) {
        text += QStringLiteral(", outside the monitoring time %1 to %2")
                    .arg(TimeFormats::hourOfDay(outcome.alarm.monStartHour),
                        TimeFormats::hourOfDay(outcome.alarm.monStopHour));
    }
    return text;
}

// The busiest devices first, so that the shortening hides the quietest; equal counts keep the
// run's order, report by report.
QList<CaughtDevice> busiestFirst(QList<CaughtDevice> caught)
{
    std::stable_sort(caught.begin(), caught.end(),
        [](const CaughtDevice &a, const CaughtDevice &b) { return a.count > b.count; });
    return caught;
}

bool caughtInSeveralReports(const QList<CaughtDevice> &caught, qint32 nodeId)
{
    return std::count_if(caught.cbegin(), caught.cend(), [nodeId](const CaughtDevice &device) {
        return device.nodeId == nodeId;
    }) > 1;
}

QString deviceName(const CaughtDevice &device, const QList<CaughtDevice> &caught)
{
    QString name = NodeName::of(device.nodeName, device.nodeId);
    if (caughtInSeveralReports(caught, device.nodeId))
        name += QStringLiteral(" (report %1)").arg(device.reportId);
    return name;
}

QString devicesText(const QList<CaughtDevice> &caught)
{
    QStringList shown;
    for (const CaughtDevice &device :
        busiestFirst(caught).first(std::min<qsizetype>(caught.size(), listedDevices))) {
        shown << deviceName(device, caught) + u' ' + QString::number(device.count)
                + QStringLiteral(" times");
    }
    QString text = shown.join(QStringLiteral(", "));
    if (caught.size() > listedDevices)
        text += QStringLiteral(" and %1 more").arg(caught.size() - listedDevices);
    return text;
}

// A graphing tool reads a level L as "alert above L", while the state counts from N devices on:
// the level N - 1 draws its line where the state changes. N is at least 1, so the level is never
// negative.
int alertLevel(int fromDevices)
{
    return fromDevices - 1;
}

QString performanceData(const RunOutcome &outcome, const CheckOptions &options)
{
    return QStringLiteral("caught=%1;%2;%3;0 counted=%4 time=%5s")
        .arg(outcome.caught.size())
        .arg(options.warning ? QString::number(alertLevel(*options.warning)) : QString())
        .arg(alertLevel(options.critical))
        .arg(outcome.countedDevices)
        .arg(QString::number(outcome.durationMs / 1000.0, 'f', 3));
}

QString caughtCount(qsizetype caught)
{
    if (caught == 0)
        return QStringLiteral("no device caught");
    return QString::number(caught)
        + (caught == 1 ? QStringLiteral(" device caught") : QStringLiteral(" devices caught"));
}

} // namespace

CheckStatus CheckStatus::fromOutcome(
    const RunOutcome &outcome, const CheckOptions &options, const LadderResult *hourSamples)
{
    if (outcome.ending != RunEnding::NormalEnd)
        return unknown(outcome.description);
    if (hourSamples && !SampleCoverage::hasAnySample(*hourSamples))
        return unknown(SampleCoverage::noSamplesText(*hourSamples));
    const Code code = codeFor(outcome.caught.size(), options);
    QString text = caughtCount(outcome.caught.size()) + u' ' + examinedHourText(outcome, options)
        + QStringLiteral(" (threshold %1%, occurrences %2)")
              .arg(outcome.alarm.threshold)
              .arg(outcome.alarm.occurrences);
    if (!outcome.caught.isEmpty())
        text += QStringLiteral(": ") + devicesText(outcome.caught);
    if (hourSamples) {
        if (const auto never = SampleCoverage::neverFiresText(
                outcome.alarm.occurrences, hourSamples->mostSamplesInAnHour()))
            text += QStringLiteral("; ") + *never;
    }
    return {code,
        QStringLiteral("CPU LOAD ") + stateName(code) + QStringLiteral(" - ") + pluginText(text)
            + QStringLiteral(" | ") + performanceData(outcome, options)};
}

CheckStatus CheckStatus::unknown(const QString &description)
{
    return {Unknown, QStringLiteral("CPU LOAD UNKNOWN - ") + pluginText(description)};
}

} // namespace tovik

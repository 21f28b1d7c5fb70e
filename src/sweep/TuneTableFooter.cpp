#include "sweep/TuneTableFooter.h"

#include "common/TimeFormats.h"
#include "sweep/BufferedOutput.h"
#include "sweep/TuneAnalysis.h"
#include "sweep/TuneAnswersJson.h"
#include "sweep/TuneTable.h"

#include <cmath>

namespace tovik {

namespace {

// Each hour of day's share in a column this wide.
constexpr int kHourWidth = 4;

QString settingText(const TuneAnalysis &analysis, const TuneSetting &setting)
{
    return QStringLiteral("%1 %, occurrences %2")
        .arg(analysis.surface().ladder().threshold(setting.step))
        .arg(setting.occurrences);
}

QString perDay(double alarmsPerDay)
{
    return TuneTable::compact(alarmsPerDay) + QStringLiteral(" alarms a day");
}

QString incidentText(const Incident &incident)
{
    QString text = QStringLiteral("line %1: %2 to %3, %4")
                       .arg(incident.line)
                       .arg(incident.start.toString(TimeFormats::kSecond),
                           incident.end.toString(TimeFormats::kSecond),
                           incident.isAnyDevice() ? QStringLiteral("any device") : incident.device);
    if (!incident.note.isEmpty())
        text += QStringLiteral(", ") + incident.note;
    return text;
}

void writeMissed(BufferedOutput &out, const TuneAnalysis &analysis, const TuneSetting &best)
{
    int missed = 0;
    for (int i = 0; i < analysis.incidents().size(); ++i) {
        if (analysis.incidentSurface()->catches(i, best.step, best.occurrences))
            continue;
        if (++missed <= TuneTableFooter::kMissedListed)
            out << QStringLiteral("  misses %1\n").arg(incidentText(analysis.incidents().at(i)));
    }
    if (missed > TuneTableFooter::kMissedListed) {
        out << QStringLiteral("  and %1 more incidents\n")
                   .arg(missed - TuneTableFooter::kMissedListed);
    }
}

void writeBest(BufferedOutput &out, const TuneAnalysis &analysis)
{
    const std::optional<TuneSetting> best = analysis.best();
    if (!best) {
        out << QStringLiteral("\nbest within the budget: none\n");
        return;
    }
    out << QStringLiteral("\nbest within the budget: %1: %2, %3 of %4 incidents caught\n")
               .arg(settingText(analysis, *best),
                   perDay(analysis.surface().alarmsPerDay(best->step, best->occurrences)))
               .arg(analysis.incidentSurface()->cell(best->step, best->occurrences).incidentsCaught)
               .arg(analysis.incidents().size());
    writeMissed(out, analysis, *best);
}

// The monitoring time's hours across, each one's share of the alarms under it.
void writeHourShares(BufferedOutput &out, const SweepSettings &settings, const NoiseProfile &noise)
{
    QString hours = QStringLiteral("  hour of day ");
    QString shares = QStringLiteral("  % of alarms ");
    for (int h = settings.monStartHour; h < settings.monStopHour; ++h) {
        const double share
            = 100.0 * double(noise.alarmsByHourOfDay.at(std::size_t(h))) / double(noise.alarms);
        hours += QString::number(h).rightJustified(kHourWidth);
        shares += QString::number(std::lround(share)).rightJustified(kHourWidth);
    }
    out << hours << QByteArrayLiteral("\n") << shares << QByteArrayLiteral("\n");
}

QString deviceName(const TuneAnalysis &analysis, const DeviceAlarms &device)
{
    const NodeAttributes node = analysis.frame().node(device.nodeId);
    if (!node.name.isEmpty())
        return node.name;
    return node.address.isEmpty() ? QStringLiteral("node %1").arg(device.nodeId) : node.address;
}

// "3 devices give 61 % of the alarms: core-rtr-01, ...", as many of them as the top devices hold.
QString devicesLine(const TuneAnalysis &analysis, const NoiseProfile &noise)
{
    QStringList names;
    for (const DeviceAlarms &device :
        noise.topDevices.first(std::min<qsizetype>(noise.devicesForHalf, noise.topDevices.size())))
        names << deviceName(analysis, device);
    const bool allNamed = names.size() == noise.devicesForHalf;
    return noise.devicesText() + QStringLiteral(": ") + names.join(QStringLiteral(", "))
        + (allNamed ? QString() : QStringLiteral(", ..."));
}

void writeNoise(BufferedOutput &out, const TuneAnalysis &analysis)
{
    const std::optional<TuneSetting> chosen = analysis.chosen();
    if (!chosen)
        return;
    const NoiseProfile noise = analysis.noise(*chosen);
    out << QStringLiteral("\nnoise of %1: %2 alarms\n")
               .arg(settingText(analysis, *chosen))
               .arg(noise.alarms);
    if (noise.alarms > 0) {
        writeHourShares(out, analysis.settings(), noise);
        out << QStringLiteral("  %1\n").arg(devicesLine(analysis, noise));
    }
    if (const auto time = analysis.monitoringTime(*chosen))
        out << QStringLiteral("  %1\n").arg(time->text());
}

QString dayText(int days)
{
    return days == 1 ? QStringLiteral("day") : QStringLiteral("%1 days").arg(days);
}

QString hoursText(int hours)
{
    return hours == 1 ? QStringLiteral("1 hour") : QStringLiteral("%1 hours").arg(hours);
}

QString holdOutLine(const TuneAnalysis &analysis, const HoldOutScore &score)
{
    QString line
        = QStringLiteral("  %1: %2 predicted, %3 seen (%4 alarms)")
              .arg(settingText(analysis, score.setting), perDay(score.predictedAlarmsPerDay),
                  TuneTable::compact(score.alarmsPerDay))
              .arg(score.alarms);
    if (score.incidentsCaught) {
        line += QStringLiteral(", %1 of the %2 incidents in those days caught")
                    .arg(*score.incidentsCaught)
                    .arg(score.incidentsInPart.value_or(0));
    }
    return line + u'\n';
}

void writeHoldOut(BufferedOutput &out, const TuneAnalysis &analysis)
{
    const int days = analysis.request().holdOutDays;
    out << QStringLiteral("\nheld out: the last %1, chosen on the %2 before\n")
               .arg(dayText(days), hoursText(analysis.surface().rangeHours()));
    const QList<HoldOutScore> scores = analysis.holdOut();
    if (scores.isEmpty())
        out << QStringLiteral("  no setting chosen to score\n");
    for (const HoldOutScore &score : scores)
        out << holdOutLine(analysis, score);
}

} // namespace

void TuneTableFooter::write(BufferedOutput &out, const TuneAnalysis &analysis)
{
    const TuneRequest &request = analysis.request();
    if (request.budget && request.incidents)
        writeBest(out, analysis);
    if (TuneAnswersJson::showsNoise(request))
        writeNoise(out, analysis);
    if (request.holdOutDays > 0)
        writeHoldOut(out, analysis);
}

} // namespace tovik

#include "sweep/TuneAnswersJson.h"

#include "common/TimeFormats.h"
#include "sweep/BufferedOutput.h"
#include "sweep/SweepJson.h"
#include "sweep/TuneAnalysis.h"
#include "sweep/TuneJson.h"

namespace tovik {

namespace {

QByteArray boolean(bool value)
{
    return value ? QByteArrayLiteral("true") : QByteArrayLiteral("false");
}

QByteArray settingFields(const TuneAnalysis &analysis, const TuneSetting &setting)
{
    return QByteArrayLiteral("\"threshold\":")
        + QByteArray::number(analysis.surface().ladder().threshold(setting.step))
        + QByteArrayLiteral(",\"occurrences\":") + QByteArray::number(setting.occurrences);
}

// The incident as its file lists it, the closing brace left to the caller.
QByteArray incidentFields(const Incident &incident)
{
    return QByteArrayLiteral("{\"line\":") + QByteArray::number(incident.line)
        + QByteArrayLiteral(",\"start\":")
        + SweepJson::string(incident.start.toString(TimeFormats::kSecond))
        + QByteArrayLiteral(",\"end\":")
        + SweepJson::string(incident.end.toString(TimeFormats::kSecond))
        + QByteArrayLiteral(",\"device\":") + SweepJson::string(incident.device)
        + QByteArrayLiteral(",\"note\":") + SweepJson::string(incident.note);
}

// Per occurrences value, whether its recommended threshold catches the incident; null where no
// threshold is recommended.
QByteArray caughtByRecommended(const TuneAnalysis &analysis, int incident, double budget)
{
    const TuningSurface &surface = analysis.surface();
    QByteArray list = QByteArrayLiteral("[");
    for (qint16 o = 1; o <= surface.occurrencesUpTo(); ++o) {
        const std::optional<int> step = surface.recommendedStep(o, budget);
        list += (o == 1 ? "" : ",")
            + (step ? boolean(analysis.incidentSurface()->catches(incident, *step, o))
                    : QByteArrayLiteral("null"));
    }
    return list + ']';
}

void writeIncidents(BufferedOutput &out, const TuneAnalysis &analysis)
{
    const std::optional<double> budget = analysis.request().budget;
    const std::optional<TuneSetting> best = analysis.best();
    out << QByteArrayLiteral(",\n\"incidents\":[");
    for (int i = 0; i < analysis.incidents().size(); ++i) {
        out << QByteArray(i == 0 ? "\n" : ",\n") << incidentFields(analysis.incidents().at(i))
            << QByteArrayLiteral(",\"names_device\":") << boolean(analysis.namesDevice(i));
        if (budget) {
            out << QByteArrayLiteral(",\"caught_by_recommended\":")
                << caughtByRecommended(analysis, i, *budget);
        }
        if (best) {
            out << QByteArrayLiteral(",\"caught_by_best\":")
                << boolean(analysis.incidentSurface()->catches(i, best->step, best->occurrences));
        }
        out << QByteArrayLiteral("}");
    }
    out << QByteArrayLiteral("]");
}

void writeBest(BufferedOutput &out, const TuneAnalysis &analysis)
{
    out << QByteArrayLiteral(",\n\"best\":");
    const std::optional<TuneSetting> best = analysis.best();
    if (!best) {
        out << QByteArrayLiteral("null");
        return;
    }
    const IncidentSurface &incidents = *analysis.incidentSurface();
    out << QByteArrayLiteral("{") << settingFields(analysis, *best)
        << QByteArrayLiteral(",\"alarms\":")
        << analysis.surface().cell(best->step, best->occurrences).alarms
        << QByteArrayLiteral(",\"incidents_caught\":")
        << qint64(incidents.cell(best->step, best->occurrences).incidentsCaught)
        << QByteArrayLiteral(",\"missed\":[");
    bool first = true;
    for (int i = 0; i < analysis.incidents().size(); ++i) {
        if (incidents.catches(i, best->step, best->occurrences))
            continue;
        out << QByteArray(first ? "\n" : ",\n") << incidentFields(analysis.incidents().at(i))
            << QByteArrayLiteral("}");
        first = false;
    }
    out << QByteArrayLiteral("]}");
}

QByteArray hoursOfDay(const NoiseProfile &noise)
{
    QByteArray list = QByteArrayLiteral("[");
    for (std::size_t h = 0; h < noise.alarmsByHourOfDay.size(); ++h)
        list += (h == 0 ? "" : ",") + QByteArray::number(noise.alarmsByHourOfDay[h]);
    return list + ']';
}

QByteArray topDevices(const TuneAnalysis &analysis, const NoiseProfile &noise)
{
    const SweepFrame &frame = analysis.frame();
    QByteArray list = QByteArrayLiteral("[");
    for (const DeviceAlarms &device : noise.topDevices) {
        const NodeAttributes node = frame.node(device.nodeId);
        list += (list.size() == 1 ? "\n" : ",\n") + QByteArrayLiteral("{\"report_id\":")
            + QByteArray::number(frame.reportIds.value(device.reportIndex))
            + QByteArrayLiteral(",\"node_id\":") + QByteArray::number(device.nodeId)
            + QByteArrayLiteral(",\"name\":") + SweepJson::string(node.name)
            + QByteArrayLiteral(",\"address\":") + SweepJson::string(node.address)
            + QByteArrayLiteral(",\"alarms\":") + QByteArray::number(device.alarms) + '}';
    }
    return list + ']';
}

QByteArray monitoringTime(const MonitoringSuggestion &time)
{
    return QByteArrayLiteral("{\"start\":") + QByteArray::number(time.start)
        + QByteArrayLiteral(",\"stop\":") + QByteArray::number(time.stop)
        + QByteArrayLiteral(",\"alarms\":") + QByteArray::number(time.alarms)
        + QByteArrayLiteral(",\"current_start\":") + QByteArray::number(time.currentStart)
        + QByteArrayLiteral(",\"current_stop\":") + QByteArray::number(time.currentStop)
        + QByteArrayLiteral(",\"current_alarms\":") + QByteArray::number(time.currentAlarms)
        + QByteArrayLiteral(",\"text\":") + SweepJson::string(time.text()) + '}';
}

void writeNoise(BufferedOutput &out, const TuneAnalysis &analysis)
{
    out << QByteArrayLiteral(",\n\"noise\":");
    const std::optional<TuneSetting> chosen = analysis.chosen();
    if (!chosen) {
        out << QByteArrayLiteral("null");
        return;
    }
    const NoiseProfile noise = analysis.noise(*chosen);
    out << QByteArrayLiteral("{") << settingFields(analysis, *chosen)
        << QByteArrayLiteral(",\"alarms\":") << noise.alarms
        << QByteArrayLiteral(",\"alarms_by_hour_of_day\":") << hoursOfDay(noise)
        << QByteArrayLiteral(",\"devices_for_half\":") << qint64(noise.devicesForHalf)
        << QByteArrayLiteral(",\"share_of_those_devices\":")
        << TuneJson::decimal(noise.shareOfThoseDevices) << QByteArrayLiteral(",\"devices_text\":")
        << SweepJson::string(noise.devicesText()) << QByteArrayLiteral(",\"top_devices\":")
        << topDevices(analysis, noise);
    if (const auto time = analysis.monitoringTime(*chosen))
        out << QByteArrayLiteral(",\"monitoring_time\":") << monitoringTime(*time);
    out << QByteArrayLiteral("}");
}

QByteArray holdOutObject(const TuneAnalysis &analysis, const HoldOutScore &score)
{
    QByteArray object = QByteArrayLiteral("{\"days\":") + QByteArray::number(score.days) + ','
        + settingFields(analysis, score.setting)
        + QByteArrayLiteral(",\"predicted_alarms_per_day\":")
        + TuneJson::decimal(score.predictedAlarmsPerDay) + QByteArrayLiteral(",\"alarms\":")
        + QByteArray::number(score.alarms) + QByteArrayLiteral(",\"alarms_per_day\":")
        + TuneJson::decimal(score.alarmsPerDay);
    if (score.incidentsCaught) {
        object += QByteArrayLiteral(",\"incidents_caught\":")
            + QByteArray::number(*score.incidentsCaught)
            + QByteArrayLiteral(",\"incidents_in_part\":")
            + QByteArray::number(score.incidentsInPart.value_or(0));
    }
    return object + '}';
}

// With incidents the best setting's score (null without a best setting); without them one per
// recommended occurrences value.
void writeHoldOut(BufferedOutput &out, const TuneAnalysis &analysis)
{
    const QList<HoldOutScore> scores = analysis.holdOut();
    out << QByteArrayLiteral(",\n\"hold_out\":");
    if (analysis.request().incidents) {
        out << (scores.isEmpty() ? QByteArrayLiteral("null")
                                 : holdOutObject(analysis, scores.first()));
        return;
    }
    out << QByteArrayLiteral("[");
    for (qsizetype i = 0; i < scores.size(); ++i)
        out << QByteArray(i == 0 ? "\n" : ",\n") << holdOutObject(analysis, scores.at(i));
    out << QByteArrayLiteral("]");
}

} // namespace

bool TuneAnswersJson::showsNoise(const TuneRequest &request)
{
    return request.budget.has_value();
}

void TuneAnswersJson::write(BufferedOutput &out, const TuneAnalysis &analysis)
{
    const TuneRequest &request = analysis.request();
    if (request.incidents)
        writeIncidents(out, analysis);
    if (request.budget && request.incidents)
        writeBest(out, analysis);
    if (showsNoise(request))
        writeNoise(out, analysis);
    if (request.holdOutDays > 0)
        writeHoldOut(out, analysis);
}

} // namespace tovik

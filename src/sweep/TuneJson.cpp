#include "sweep/TuneJson.h"

#include "sweep/BufferedOutput.h"
#include "sweep/SweepJson.h"
#include "sweep/TuneAnalysis.h"
#include "sweep/TuneAnswersJson.h"

#include <QLocale>

namespace tovik {

namespace {

// The range is the part the cells describe: the whole range, or the part before the held-out days.
void writeSettings(BufferedOutput &out, const TuneAnalysis &analysis)
{
    const TuningSurface &surface = analysis.surface();
    SweepSettings settings = analysis.settings();
    settings.range = analysis.choiceRange();
    const std::optional<double> budget = analysis.request().budget;
    out << QByteArrayLiteral("{\"settings\":{") << SweepJson::rangeFields(settings)
        << QByteArrayLiteral(",\"hours\":") << qint64(surface.rangeHours())
        << QByteArrayLiteral(",") << SweepJson::monitoringField(settings)
        << QByteArrayLiteral(",\"occurrences_up_to\":") << qint64(surface.occurrencesUpTo());
    if (budget)
        out << QByteArrayLiteral(",\"budget\":") << TuneJson::decimal(*budget);
    if (analysis.request().incidents)
        out << QByteArrayLiteral(",\"lead_hours\":") << qint64(analysis.request().leadHours);
    out << QByteArrayLiteral("},\n\"ladder\":[");
    for (int step = 0; step < surface.ladder().size(); ++step)
        out << QByteArray(step == 0 ? "" : ",") << qint64(surface.ladder().threshold(step));
    out << QByteArrayLiteral("],\n");
}

// The data's limits on what can fire at all, for the cells' never_fires.
void writeLimits(BufferedOutput &out, const TuningSurface &surface)
{
    const std::optional<int> unreached = surface.firstUnreachedStep();
    out << QByteArrayLiteral("\"limits\":{\"most_samples_in_an_hour\":")
        << qint64(surface.mostSamplesInAnHour()) << QByteArrayLiteral(",\"no_load_at_or_over\":")
        << (unreached ? QByteArray::number(surface.ladder().threshold(*unreached))
                      : QByteArrayLiteral("null"))
        << QByteArrayLiteral("},\n");
}

QByteArray incidentFields(const IncidentCell &cell)
{
    return QByteArrayLiteral(",\"incidents_caught\":") + QByteArray::number(cell.incidentsCaught)
        + QByteArrayLiteral(",\"noise_alarms\":") + QByteArray::number(cell.noiseAlarms)
        + QByteArrayLiteral(",\"first_alarm_minutes\":")
        + (cell.firstAlarmMinutes ? TuneJson::decimal(*cell.firstAlarmMinutes)
                                  : QByteArrayLiteral("null"));
}

void writeCells(BufferedOutput &out, const TuningSurface &surface, const IncidentSurface *incidents)
{
    out << QByteArrayLiteral("\"cells\":[");
    for (int step = 0; step < surface.ladder().size(); ++step) {
        for (qint16 o = 1; o <= surface.occurrencesUpTo(); ++o) {
            const SurfaceCell &cell = surface.cell(step, o);
            out << QByteArray(step == 0 && o == 1 ? "\n" : ",\n")
                << QByteArrayLiteral("{\"threshold\":") << qint64(surface.ladder().threshold(step))
                << QByteArrayLiteral(",\"occurrences\":") << qint64(o)
                << QByteArrayLiteral(",\"alarms\":") << cell.alarms
                << QByteArrayLiteral(",\"devices\":") << qint64(cell.devices)
                << QByteArrayLiteral(",\"hours\":") << qint64(cell.hours)
                << QByteArrayLiteral(",\"peak\":") << qint64(cell.peak)
                << QByteArrayLiteral(",\"alarms_per_day\":")
                << TuneJson::decimal(surface.alarmsPerDay(step, o))
                << QByteArrayLiteral(",\"never_fires\":")
                << (surface.neverFires(step, o) ? QByteArrayLiteral("true")
                                                : QByteArrayLiteral("false"))
                << (incidents ? incidentFields(incidents->cell(step, o)) : QByteArray())
                << QByteArrayLiteral("}");
        }
    }
    out << QByteArrayLiteral("]");
}

void writeRecommendation(BufferedOutput &out, const TuningSurface &surface, double budget)
{
    out << QByteArrayLiteral(",\n\"recommendation\":[");
    for (qint16 o = 1; o <= surface.occurrencesUpTo(); ++o) {
        const std::optional<int> step = surface.recommendedStep(o, budget);
        out << QByteArray(o == 1 ? "\n" : ",\n") << QByteArrayLiteral("{\"occurrences\":")
            << qint64(o) << QByteArrayLiteral(",\"threshold\":")
            << (step ? QByteArray::number(surface.ladder().threshold(*step))
                     : QByteArrayLiteral("null"))
            << QByteArrayLiteral("}");
    }
    out << QByteArrayLiteral("]");
}

} // namespace

QByteArray TuneJson::decimal(double value)
{
    return QByteArray::number(value, 'f', QLocale::FloatingPointShortest);
}

bool TuneJson::write(QIODevice &device, const TuneAnalysis &analysis)
{
    BufferedOutput out(device);
    const TuningSurface &surface = analysis.surface();
    writeSettings(out, analysis);
    writeLimits(out, surface);
    writeCells(out, surface, analysis.incidentSurface());
    if (const std::optional<double> budget = analysis.request().budget)
        writeRecommendation(out, surface, *budget);
    TuneAnswersJson::write(out, analysis);
    out << QByteArrayLiteral("}\n");
    return out.finish();
}

} // namespace tovik

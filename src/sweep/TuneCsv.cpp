#include "sweep/TuneCsv.h"

#include "sweep/BufferedOutput.h"
#include "sweep/TuneAnalysis.h"
#include "sweep/TuneJson.h"

namespace tovik {

namespace {

QByteArray flag(bool value)
{
    return value ? QByteArrayLiteral(",1") : QByteArrayLiteral(",0");
}

// Per occurrences value from 1, its recommended step.
QList<std::optional<int>> recommendations(const TuningSurface &surface, double budget)
{
    QList<std::optional<int>> steps;
    for (qint16 o = 1; o <= surface.occurrencesUpTo(); ++o)
        steps << surface.recommendedStep(o, budget);
    return steps;
}

QByteArray incidentFields(const IncidentCell &cell)
{
    return QByteArrayLiteral(",") + QByteArray::number(cell.incidentsCaught)
        + QByteArrayLiteral(",") + QByteArray::number(cell.noiseAlarms) + QByteArrayLiteral(",")
        + (cell.firstAlarmMinutes ? TuneJson::decimal(*cell.firstAlarmMinutes) : QByteArray());
}

} // namespace

bool TuneCsv::write(QIODevice &device, const TuneAnalysis &analysis)
{
    BufferedOutput out(device);
    const TuningSurface &surface = analysis.surface();
    const std::optional<double> budget = analysis.request().budget;
    const IncidentSurface *incidents = analysis.incidentSurface();
    const bool marksNeverFiring = surface.hasNeverFiringCell();
    const QList<std::optional<int>> recommended
        = budget ? recommendations(surface, *budget) : QList<std::optional<int>>();
    out << QByteArrayLiteral("threshold,occurrences,alarms,devices,hours,peak")
        << (marksNeverFiring ? QByteArrayLiteral(",never_fires") : QByteArray())
        << (budget ? QByteArrayLiteral(",within_budget,recommended") : QByteArray())
        << (incidents ? QByteArrayLiteral(",incidents_caught,noise_alarms,first_alarm_minutes")
                      : QByteArray())
        << QByteArrayLiteral("\r\n");
    for (int step = 0; step < surface.ladder().size(); ++step) {
        for (qint16 o = 1; o <= surface.occurrencesUpTo(); ++o) {
            const SurfaceCell &cell = surface.cell(step, o);
            out << qint64(surface.ladder().threshold(step)) << QByteArrayLiteral(",") << qint64(o)
                << QByteArrayLiteral(",") << cell.alarms << QByteArrayLiteral(",")
                << qint64(cell.devices) << QByteArrayLiteral(",") << qint64(cell.hours)
                << QByteArrayLiteral(",") << qint64(cell.peak);
            if (marksNeverFiring)
                out << flag(surface.neverFires(step, o));
            if (budget) {
                out << flag(surface.isWithinBudget(step, o, *budget))
                    << flag(recommended.at(o - 1) == step);
            }
            if (incidents)
                out << incidentFields(incidents->cell(step, o));
            out << QByteArrayLiteral("\r\n");
        }
    }
    return out.finish();
}

} // namespace tovik

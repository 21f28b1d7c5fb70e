#include "sweep/TuneCsv.h"

#include "sweep/BufferedOutput.h"
#include "sweep/TuningSurface.h"

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

} // namespace

bool TuneCsv::write(QIODevice &device, const TuningSurface &surface, const SweepSettings &,
    std::optional<double> budget)
{
    BufferedOutput out(device);
    const bool marksNeverFiring = surface.hasNeverFiringCell();
    const QList<std::optional<int>> recommended
        = budget ? recommendations(surface, *budget) : QList<std::optional<int>>();
    out << QByteArrayLiteral("threshold,occurrences,alarms,devices,hours,peak")
        << (marksNeverFiring ? QByteArrayLiteral(",never_fires") : QByteArray())
        << (budget ? QByteArrayLiteral(",within_budget,recommended") : QByteArray())
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
            out << QByteArrayLiteral("\r\n");
        }
    }
    return out.finish();
}

} // namespace tovik

#include "sweep/TuneTable.h"

#include "sweep/BufferedOutput.h"
#include "sweep/SweepSettings.h"
#include "sweep/TuneJson.h"
#include "sweep/TuningSurface.h"

#include <cmath>

namespace tovik {

namespace {

// A cell: a space, the value in kValueWidth characters and its mark.
constexpr int kValueWidth = 4;
// "100 %"
constexpr int kThresholdWidth = 5;
const QString withinMark = QStringLiteral("*");
const QString neverFiresMark = QStringLiteral("-");

QString withoutTrailingSpaces(QString line)
{
    while (line.endsWith(u' '))
        line.chop(1);
    return line;
}

QString budgetText(double budget)
{
    return QString::fromLatin1(TuneJson::decimal(budget));
}

void writeHeading(BufferedOutput &out, const TuningSurface &surface, const SweepSettings &settings)
{
    out << QStringLiteral("alarms a day (caught device-hours per 24 hours)\n%1 to %2, %3 hours, "
                          "monitoring %4-%5\n\n")
               .arg(SweepRange::hourText(settings.range.from()),
                   SweepRange::hourText(settings.range.to()))
               .arg(surface.rangeHours())
               .arg(settings.monStartHour)
               .arg(settings.monStopHour);
    QString columns
        = QStringLiteral("threshold down, occurrences across\n") + QString(kThresholdWidth, u' ');
    for (qint16 o = 1; o <= surface.occurrencesUpTo(); ++o)
        columns += u' ' + QString::number(o).rightJustified(kValueWidth) + u' ';
    out << withoutTrailingSpaces(columns) << QByteArrayLiteral("\n");
}

void writeRows(BufferedOutput &out, const TuningSurface &surface, std::optional<double> budget)
{
    for (int step = 0; step < surface.ladder().size(); ++step) {
        QString line
            = QStringLiteral("%1 %").arg(surface.ladder().threshold(step), kThresholdWidth - 2);
        for (qint16 o = 1; o <= surface.occurrencesUpTo(); ++o) {
            const bool within = budget && surface.isWithinBudget(step, o, *budget);
            const QString value = surface.neverFires(step, o)
                ? neverFiresMark
                : TuneTable::compact(surface.alarmsPerDay(step, o));
            line += u' ' + value.rightJustified(kValueWidth)
                + (within ? withinMark : QStringLiteral(" "));
        }
        out << withoutTrailingSpaces(line) << QByteArrayLiteral("\n");
    }
    if (surface.hasNeverFiringCell()) {
        out << QStringLiteral("\n%1 never fires on this data: %2\n")
                   .arg(neverFiresMark, surface.neverFiresReason());
    }
}

QString recommendationText(const TuningSurface &surface, qint16 occurrences, double budget)
{
    if (occurrences > surface.mostSamplesInAnHour())
        return QStringLiteral("never fires");
    const std::optional<int> step = surface.recommendedStep(occurrences, budget);
    return step ? QStringLiteral("from %1 %").arg(surface.ladder().threshold(*step))
                : QStringLiteral("none");
}

void writeRecommendation(BufferedOutput &out, const TuningSurface &surface, double budget)
{
    out << QStringLiteral("\n%1 within the budget\nat most %2 alarms a day:\n")
               .arg(withinMark, budgetText(budget));
    const qsizetype labelWidth
        = QStringLiteral("occurrences %1").arg(surface.occurrencesUpTo()).size();
    for (qint16 o = 1; o <= surface.occurrencesUpTo(); ++o) {
        out << QStringLiteral("  %1  %2\n")
                   .arg(QStringLiteral("occurrences %1").arg(o).leftJustified(labelWidth),
                       recommendationText(surface, o, budget));
    }
}

} // namespace

QString TuneTable::compact(double alarmsPerDay)
{
    if (alarmsPerDay < 99.95)
        return QString::number(alarmsPerDay, 'f', 1);
    if (alarmsPerDay < 9999.5)
        return QString::number(std::llround(alarmsPerDay));
    if (alarmsPerDay < 999500.0)
        return QString::number(std::llround(alarmsPerDay / 1e3)) + u'k';
    return QString::number(std::llround(alarmsPerDay / 1e6)) + u'M';
}

bool TuneTable::write(QIODevice &device, const TuningSurface &surface,
    const SweepSettings &settings, std::optional<double> budget)
{
    BufferedOutput out(device);
    writeHeading(out, surface, settings);
    writeRows(out, surface, budget);
    if (budget)
        writeRecommendation(out, surface, *budget);
    return out.finish();
}

} // namespace tovik

#include "sweep/TuneTable.h"

#include "sweep/BufferedOutput.h"
#include "sweep/TuneAnalysis.h"
#include "sweep/TuneJson.h"
#include "sweep/TuneTableFooter.h"

#include <cmath>

namespace tovik {

namespace {

// A cell: a space, the value in kValueWidth characters (with incidents then a space and
// caught/total), and its mark.
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

// With incidents a cell also shows "caught/total", as wide as the total allows.
int caughtWidth(const TuneAnalysis &analysis)
{
    const IncidentSurface *incidents = analysis.incidentSurface();
    return incidents ? 2 * int(QString::number(incidents->incidentCount()).size()) + 1 : 0;
}

// The value's part of a cell: the alarms a day, and with incidents a space and caught/total.
int cellWidth(const TuneAnalysis &analysis)
{
    const int caught = caughtWidth(analysis);
    return kValueWidth + (caught > 0 ? 1 + caught : 0);
}

void writeHeading(BufferedOutput &out, const TuneAnalysis &analysis)
{
    const TuningSurface &surface = analysis.surface();
    const SweepSettings &settings = analysis.settings();
    out << QStringLiteral("alarms a day (caught device-hours per 24 hours)\n%1 to %2, %3 hours, "
                          "monitoring %4-%5\n\n")
               .arg(SweepRange::hourText(analysis.choiceRange().from()),
                   SweepRange::hourText(analysis.choiceRange().to()))
               .arg(surface.rangeHours())
               .arg(settings.monStartHour)
               .arg(settings.monStopHour);
    QString columns
        = QStringLiteral("threshold down, occurrences across\n") + QString(kThresholdWidth, u' ');
    for (qint16 o = 1; o <= surface.occurrencesUpTo(); ++o)
        columns += u' ' + QString::number(o).rightJustified(cellWidth(analysis)) + u' ';
    out << withoutTrailingSpaces(columns) << QByteArrayLiteral("\n");
}

QString cellValue(const TuneAnalysis &analysis, int step, qint16 occurrences)
{
    const TuningSurface &surface = analysis.surface();
    if (surface.neverFires(step, occurrences))
        return neverFiresMark.rightJustified(kValueWidth)
            + QString(cellWidth(analysis) - kValueWidth, u' ');
    const QString value
        = TuneTable::compact(surface.alarmsPerDay(step, occurrences)).rightJustified(kValueWidth);
    const IncidentSurface *incidents = analysis.incidentSurface();
    if (!incidents)
        return value;
    return value + u' '
        + QStringLiteral("%1/%2")
              .arg(incidents->cell(step, occurrences).incidentsCaught)
              .arg(incidents->incidentCount())
              .rightJustified(caughtWidth(analysis));
}

void writeRows(BufferedOutput &out, const TuneAnalysis &analysis)
{
    const TuningSurface &surface = analysis.surface();
    const std::optional<double> budget = analysis.request().budget;
    for (int step = 0; step < surface.ladder().size(); ++step) {
        QString line
            = QStringLiteral("%1 %").arg(surface.ladder().threshold(step), kThresholdWidth - 2);
        for (qint16 o = 1; o <= surface.occurrencesUpTo(); ++o) {
            const bool within = budget && surface.isWithinBudget(step, o, *budget);
            line += u' ' + cellValue(analysis, step, o)
                + (within ? withinMark : QStringLiteral(" "));
        }
        out << withoutTrailingSpaces(line) << QByteArrayLiteral("\n");
    }
    if (surface.hasNeverFiringCell()) {
        out << QStringLiteral("\n%1 never fires on this data: %2\n")
                   .arg(neverFiresMark, surface.neverFiresReason());
    }
    if (const IncidentSurface *incidents = analysis.incidentSurface()) {
        out << QStringLiteral("\ncaught/%1: incidents caught of the %1 listed\n")
                   .arg(incidents->incidentCount());
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

QString withoutTrailingSpaces(QString line)
{
    while (line.endsWith(u' '))
        line.chop(1);
    return line;
}

bool TuneTable::write(QIODevice &device, const TuneAnalysis &analysis)
{
    BufferedOutput out(device);
    writeHeading(out, analysis);
    writeRows(out, analysis);
    if (const std::optional<double> budget = analysis.request().budget)
        writeRecommendation(out, analysis.surface(), *budget);
    TuneTableFooter::write(out, analysis);
    return out.finish();
}

} // namespace tovik

#include "explorer/ResultExport.h"

#include "explorer/ExplorerText.h"
#include "output/OutputFile.h"
#include "report/ReportWriter.h"
#include "report/SweepReport.h"
#include "sweep/LadderResult.h"
#include "sweep/SweepCsv.h"
#include "sweep/SweepGrid.h"

namespace tovik::ResultExport {

bool writeCsv(
    const LadderResult *ladder, const SweepSettings &shown, const QString &path, QString *failure)
{
    if (!ladder) {
        *failure = ExplorerText::noResultToExport();
        return false;
    }
    // The grid on screen keeps no rows: they come again from the ladder, at the shown threshold.
    const SweepResult rows = *ladder->atThreshold(shown.threshold);
    const auto fill = [&](QIODevice &file) { return SweepCsv::write(file, rows, shown); };
    return OutputFile::write(path, OutputFile::Access::Shared, fill, failure);
}

bool writeReport(const std::shared_ptr<const SweepGrid> &grid, const SweepSettings &shown,
    const LadderResult *ladder, const std::optional<AlarmChoice> &baseline, double budget,
    const std::shared_ptr<const TuneAnalysis> &analysis, const QString &path, QString *failure)
{
    if (!grid) {
        *failure = ExplorerText::noResultToExport();
        return false;
    }
    const SweepReport report(shown, grid, ladder, baseline, budget, analysis.get());
    QString reason;
    if (ReportWriter::writeFile(path, report, ReportWriter::formatOf(path), &reason))
        return true;
    *failure = ExplorerText::notWritten(QStringLiteral("report"), path, reason);
    return false;
}

} // namespace tovik::ResultExport

#include "explorer/ResultExport.h"

#include "explorer/ExplorerText.h"
#include "output/OutputFile.h"
#include "report/ReportWriter.h"
#include "report/SweepReport.h"
#include "sweep/SweepCsv.h"
#include "sweep/SweepGrid.h"

namespace tovik::ResultExport {

bool writeCsv(
    const SweepGrid *grid, const SweepSettings &shown, const QString &path, QString *failure)
{
    if (!grid) {
        *failure = ExplorerText::noResultToExport();
        return false;
    }
    const auto fill = [&](QIODevice &file) { return SweepCsv::write(file, grid->result(), shown); };
    return OutputFile::write(path, OutputFile::Access::Shared, fill, failure);
}

bool writeReport(const std::shared_ptr<const SweepGrid> &grid, const SweepSettings &shown,
    const LadderResult *ladder, const std::optional<AlarmChoice> &baseline, double budget,
    const QString &path, QString *failure)
{
    if (!grid) {
        *failure = ExplorerText::noResultToExport();
        return false;
    }
    const SweepReport report(shown, grid, ladder, baseline, budget);
    QString reason;
    if (ReportWriter::writeFile(path, report, ReportWriter::formatOf(path), &reason))
        return true;
    *failure = ExplorerText::notWritten(QStringLiteral("report"), path, reason);
    return false;
}

} // namespace tovik::ResultExport

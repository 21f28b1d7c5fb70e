#pragma once

#include "sweep/AlarmChoice.h"
#include "sweep/SweepSettings.h"

#include <QString>
#include <memory>
#include <optional>

namespace tovik {

class SweepGrid;
class TuneAnalysis;
struct LadderResult;

// The result on screen written to files: the sweep's csv and the report to share. Each refuses
// before the first result, and gives the reason when a file could not be written.
namespace ResultExport {

// The ladder's rows at the threshold of shown, with names, addresses and counts at its
// occurrences only: the csv holds no trap community and no connection detail.
bool writeCsv(
    const LadderResult *ladder, const SweepSettings &shown, const QString &path, QString *failure);

// HTML for a name ending in .html or .htm, else PDF; analysis, when given, of the same result,
// with the incidents loaded.
bool writeReport(const std::shared_ptr<const SweepGrid> &grid, const SweepSettings &shown,
    const LadderResult *ladder, const std::optional<AlarmChoice> &baseline, double budget,
    const std::shared_ptr<const TuneAnalysis> &analysis, const QString &path, QString *failure);

} // namespace ResultExport

} // namespace tovik

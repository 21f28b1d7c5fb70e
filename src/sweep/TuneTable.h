#pragma once

#include <QIODevice>
#include <QString>

namespace tovik {

class TuneAnalysis;

// The tuning surface for a reader at a terminal: thresholds down, occurrences across, the alarms
// a day in each cell, with incidents followed by "caught/total", a "-" for a setting that can
// never fire on the data with the limit under the table; with a budget the cells within it marked
// and, under the table, the lowest threshold within it for each occurrences value; then the
// analysis' answers (TuneTableFooter). Without incidents and with 12 occurrences values every line
// of the table fits 80 characters.
class TuneTable
{
public:
    static bool write(QIODevice &device, const TuneAnalysis &analysis);
    // At most four characters: one decimal below 100, whole numbers below 10,000, then thousands
    // ("240k") and millions ("12M").
    static QString compact(double alarmsPerDay);
};

} // namespace tovik

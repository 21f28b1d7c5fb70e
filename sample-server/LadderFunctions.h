#pragma once

#include <string_view>

struct sqlite3;

namespace tovik::sampleserver {

// The aggregate behind a run of conditional counts over one column, such as a sweep's
// SUM(CASE WHEN ProcessorLoad >= @P1 THEN 1 ELSE 0 END), ... per threshold. SQLite would run each
// of them as an aggregate of its own for every row; kLadder counts them all in one step per row
// and gives the counts as one blob of 64-bit integers, NULL without any row as SUM gives. The
// comparison converts as SQL Server does when a number meets the column: a value or bound value
// that is not a number is a conversion error, NULL counts for nothing. Only the translator writes
// these names; a client's text may not.
class LadderFunctions
{
public:
    // kLadder(column, kThresholds(threshold, ...)).
    static constexpr std::string_view kLadder = "tovik_ladder";
    static constexpr std::string_view kThresholds = "tovik_thresholds";

    static void registerOn(sqlite3 *handle);
    static bool isLadderFunction(std::string_view name);
};

} // namespace tovik::sampleserver

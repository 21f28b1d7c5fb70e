#pragma once

#include <QString>
#include <optional>

class QSqlDatabase;

namespace tovik::bench {

// The small query whose round trip measures the server and the driver alone: one short row.
inline constexpr char RoundTripQuery[] = "SELECT report_id FROM ATR_Reports WHERE report_id = 3";

// Microseconds per round trip of the small query, count times on one forward-only query object
// of an open connection, every row read.
std::optional<double> qtRoundTripMicros(const QSqlDatabase &db, int count, QString *failure);

// The same through the ODBC driver manager directly, with no Qt in between.
std::optional<double> odbcRoundTripMicros(const QString &odbcString, int count, QString *failure);

} // namespace tovik::bench

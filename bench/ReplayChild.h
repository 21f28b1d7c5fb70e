#pragma once

namespace tovik::bench {

struct BenchOptions;

// The child that sends the SQL texts of a file, one a line, in their order on one connection
// through Qt's ODBC driver, reads every row and does nothing else, and reports its time and
// peak memory. Returns the process exit code.
int replayOnce(const BenchOptions &options);

} // namespace tovik::bench

#pragma once

namespace tovik::bench {

struct BenchOptions;

// The child that runs one whole test run against the server and reports its time, waits, peak
// memory and run-log size. Returns the process exit code.
int runOnce(const BenchOptions &options);

} // namespace tovik::bench

#pragma once

namespace tovik {

struct TestRun;

// Where the run goes after the CPU reports were read.
enum class CountingCourse {
    RunEnded,
    CountInOnlineDb,
    CountInExternalAtrDbs,
    NoSampleStore,
};

// Reads the CPU reports and decides, from the first report alone, whether its samples lie in
// the monitoring database or in a database of its own.
CountingCourse DiscoverCpuReports(TestRun &run);

} // namespace tovik

#pragma once

#include "monitoring/SampleStore.h"

#include <optional>

namespace tovik {

struct TestRun;

// Reads the CPU reports and decides where their samples are, logging every query, row and
// finding; nothing when the run has ended on the way.
std::optional<SampleStore> DiscoverCpuReports(TestRun &run);

} // namespace tovik

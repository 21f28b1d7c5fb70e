#pragma once

#include "sweep/SweepSettings.h"

namespace tovik::bench {

struct BenchOptions;

// The sweep the options ask for: the last --hours before --reference at --threshold, once, over
// the benchmark's server.
SweepSettings sweepSettings(const BenchOptions &options);
// The same range counted at every threshold of the standard ladder, as `tune` counts it.
SweepSettings tuneSettings(const BenchOptions &options);

// The children of the sweep series, each in a process of its own so that its peak memory is its
// own: one whole sweep of the last --hours before --reference, and a bare replay of the same
// statements and bound values on one connection, reading every value and keeping nothing. Both
// return the process exit code.
int sweepOnce(const BenchOptions &options);
int sweepReplayOnce(const BenchOptions &options);
// The tuning's children alike: one ladder run and its tuning surface for occurrences 1 to 12 with
// its json, scored against --incidents with a budget when given, and a bare replay of its
// statements.
int tuneOnce(const BenchOptions &options);
int tuneReplayOnce(const BenchOptions &options);

} // namespace tovik::bench

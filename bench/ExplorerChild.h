#pragma once

namespace tovik::bench {

struct BenchOptions;

// The threshold the explorer child requeries at after its first result at --threshold.
int requeryThreshold(const BenchOptions &options);

// The child of the explorer series, in a process of its own so that its peak memory is its own:
// the threshold explorer's window, offscreen, swept over the last --hours before --reference at
// --threshold, then at requeryThreshold(), then redrawn for other occurrences values. It needs a
// QApplication; returns the process exit code.
int explorerOnce(const BenchOptions &options);
// The same window's first result alone, its peak memory, then the time from choosing a device to
// its load drawn.
int explorerFirstOnce(const BenchOptions &options);
// The same window's first result over a month and its memory, what it holds per node-hour, the
// time to a device's load drawn, then its redraws for other thresholds of its ladder.
int explorerMonthOnce(const BenchOptions &options);

} // namespace tovik::bench

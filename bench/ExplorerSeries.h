#pragma once

#include "BenchOptions.h"

namespace tovik::bench {

// The threshold explorer benchmark at R x N x H: the window's first result and a requery after a
// change of the threshold, each beside a bare replay of its statements, the window's own work in
// the requery, its redraw for other occurrences values and its peak memory; then the summary line.
class ExplorerSeries
{
public:
    explicit ExplorerSeries(BenchOptions options);
    // The process exit code: 0 when every figure was measured.
    int exec();

private:
    // With --month: the window over a month of the same reports and nodes instead.
    int execMonth();

    BenchOptions m_options;
};

} // namespace tovik::bench

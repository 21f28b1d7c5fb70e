#pragma once

#include "BenchOptions.h"

#include <optional>

namespace tovik::bench {

// The sweep benchmark: at R x N1 x H its time against a bare replay of its statements and against
// the single-hour test runs it replaces, at R x N2 x H/2 its memory; then the summary line.
class SweepSeries
{
public:
    explicit SweepSeries(BenchOptions options);
    // The process exit code: 0 when every figure was measured.
    int exec();

private:
    BenchOptions m_options;
};

} // namespace tovik::bench

#pragma once

#include "BenchFigures.h"
#include "BenchOptions.h"

#include <optional>

namespace tovik::bench {

// The whole benchmark: the small round trip, then every size in turn, then the summary.
class BenchSeries
{
public:
    explicit BenchSeries(BenchOptions options);
    // The process exit code: 0 when every figure was measured.
    int exec();

private:
    std::optional<RoundTripFigures> measureRoundTrip(QString *failure);

    BenchOptions m_options;
};

} // namespace tovik::bench

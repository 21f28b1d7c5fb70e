#include "DemoMarks.h"

#include <algorithm>

namespace tovik::sampleserver {

namespace {

// Well below the threshold, so that only the two polls made to reach it do.
constexpr int kQuietLoad = 60;
constexpr int kPeakLoad = 85;
constexpr int kBusyLoad = 80;

} // namespace

std::optional<int> DemoMarks::sample(int nodeId, const std::tm &time, int load)
{
    if (nodeId == kGapNode) {
        // Four hours a day without any answer, four more with only two.
        if (time.tm_hour % 6 == 2 || (time.tm_hour % 6 == 4 && !isFirstTwoPolls(time)))
            return std::nullopt;
        return std::max(load, kBusyLoad);
    }
    if (nodeId == kNearMissNode) {
        // Six hours a day one sample short of three at or over the threshold.
        if (time.tm_hour % 4 == 1 && isFirstTwoPolls(time))
            return kPeakLoad;
        return std::min(load, kQuietLoad);
    }
    return load;
}

} // namespace tovik::sampleserver

#pragma once

#include <ctime>
#include <optional>

namespace tovik::sampleserver {

// Two devices of the first CPU report that show what an alarm of 75 % and 3 occurrences cannot
// see: a busy one whose polls go unanswered in some hours (none, or only two, samples there), so
// that the hours it is not caught in stand out among those it is, and one that reaches the
// threshold twice in some hours and stays well below it otherwise.
class DemoMarks
{
public:
    static constexpr int kGapNode = 2;
    static constexpr int kNearMissNode = 3;
    static constexpr int kThreshold = 75;

    // The load stored for a poll of nodeId at a local time, or nothing when the poll went
    // unanswered; load is what the device's model gave.
    static std::optional<int> sample(int nodeId, const std::tm &time, int load);

private:
    // The polls of the first ten minutes of an hour: two at the polling interval of 300 s.
    static bool isFirstTwoPolls(const std::tm &time) { return time.tm_min < 10; }
};

} // namespace tovik::sampleserver

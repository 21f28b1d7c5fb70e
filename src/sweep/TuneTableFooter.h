#pragma once

namespace tovik {

class BufferedOutput;
class TuneAnalysis;

// What a tuning answers beyond its table, as lines under it: with a budget and incidents the best
// setting and the incidents it misses; the noise of the chosen setting as the json shows it (its
// alarms' shares by hour of day over the monitoring time, the devices that give half of them and
// with incidents the monitoring time that sends the fewest); with held-out days the choice scored
// on them.
class TuneTableFooter
{
public:
    // The incidents a best setting misses that are listed by line; the json lists them all.
    static constexpr int kMissedListed = 10;

    static void write(BufferedOutput &out, const TuneAnalysis &analysis);
};

} // namespace tovik

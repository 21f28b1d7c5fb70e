#pragma once

namespace tovik {

class BufferedOutput;
class TuneAnalysis;
struct TuneRequest;

// What a tuning answers beyond its cells, as members of TuneJson's object: with incidents the
// incident list with what the recommended and the best setting catch of each, with a budget and
// incidents the best setting and the incidents it misses, the noise of the chosen setting (its
// alarms by hour of day and its top devices, and with incidents the monitoring time that sends
// the fewest alarms), and with held-out days the choice scored on them.
class TuneAnswersJson
{
public:
    // Each member with a leading comma.
    static void write(BufferedOutput &out, const TuneAnalysis &analysis);
    // Whether a tuning's outputs show the chosen setting's noise: only a budget chooses one.
    static bool showsNoise(const TuneRequest &request);
};

} // namespace tovik

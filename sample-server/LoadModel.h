#pragma once

#include "SplitMix64.h"

namespace tovik::sampleserver {

// The CPU load of one device under one report: a quiet, moderate or busy base load that follows
// a daily rhythm, some noise, and occasional spikes, so that different thresholds catch
// different devices.
class LoadModel
{
public:
    LoadModel(std::uint64_t seed, int reportId, int nodeId);

    // The load in percent (0 to 100) at a local time of day given in hours (0 to 24).
    int sample(double hourOfDay);
    // A time offset in [0, period) that spreads the devices' polls over the polling interval.
    int phase(int period)
    {
        return static_cast<int>(m_random.below(static_cast<std::uint64_t>(period)));
    }

private:
    SplitMix64 m_random;
    double m_base = 0;
    double m_amplitude = 0;
    double m_peakHour = 0;
    double m_spikeChance = 0;
};

} // namespace tovik::sampleserver

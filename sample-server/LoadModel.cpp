#include "LoadModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tovik::sampleserver {

LoadModel::LoadModel(std::uint64_t seed, int reportId, int nodeId)
    : m_random(SplitMix64::mix(SplitMix64::mix(seed, static_cast<std::uint64_t>(reportId)),
        static_cast<std::uint64_t>(nodeId)))
{
    const double kind = m_random.uniform();
    if (kind < 0.4) {
        m_base = m_random.uniform(2, 10);
        m_spikeChance = 0.004;
    } else if (kind < 0.8) {
        m_base = m_random.uniform(12, 35);
        m_spikeChance = 0.01;
    } else {
        m_base = m_random.uniform(40, 70);
        m_spikeChance = 0.03;
    }
    m_amplitude = m_base * m_random.uniform(0.3, 0.8);
    m_peakHour = m_random.uniform(10, 16);
}

int LoadModel::sample(double hourOfDay)
{
    const double rhythm = std::cos(2 * std::numbers::pi * (hourOfDay - m_peakHour) / 24);
    double load = m_base + m_amplitude * rhythm + m_random.uniform(-4, 4);
    if (m_random.uniform() < m_spikeChance)
        load += m_random.uniform(25, 60);
    return static_cast<int>(std::lround(std::clamp(load, 0.0, 100.0)));
}

} // namespace tovik::sampleserver

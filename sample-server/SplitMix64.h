#pragma once

#include <cstdint>

namespace tovik::sampleserver {

// A small generator with a fixed algorithm, so that a --seed gives the same data with every
// standard library.
class SplitMix64
{
public:
    explicit SplitMix64(std::uint64_t seed)
        : m_state(seed)
    {
    }

    std::uint64_t next();
    // Uniform in [0, 1).
    double uniform();
    double uniform(double low, double high) { return low + (high - low) * uniform(); }
    // Uniform in [0, bound).
    std::uint64_t below(std::uint64_t bound) { return bound == 0 ? 0 : next() % bound; }

    static std::uint64_t mix(std::uint64_t a, std::uint64_t b);

private:
    std::uint64_t m_state;
};

} // namespace tovik::sampleserver

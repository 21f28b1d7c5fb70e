#include "SplitMix64.h"

namespace tovik::sampleserver {

std::uint64_t SplitMix64::next()
{
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double SplitMix64::uniform()
{
    return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

std::uint64_t SplitMix64::mix(std::uint64_t a, std::uint64_t b)
{
    SplitMix64 generator(a ^ (b * 0xD6E8FEB86659FD93ull));
    return generator.next();
}

} // namespace tovik::sampleserver

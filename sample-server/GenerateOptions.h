#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace tovik::sampleserver {

enum class SampleLayout { Online, External };

struct GenerateOptions
{
    std::string dataDir;
    SampleLayout layout = SampleLayout::Online;
    int reports = 3;
    int nodes = 25;
    int hours = 48;
    std::uint64_t seed = 1;
    // The time of the last samples; now when not given.
    std::optional<std::time_t> end;
    // The demo's data: each CPU report its own devices, one of them in two reports, and devices
    // with polling gaps and near misses in the first.
    bool demoMarks = false;
};

} // namespace tovik::sampleserver

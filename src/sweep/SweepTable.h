#pragma once

#include <QIODevice>

namespace tovik {

struct SweepResult;
struct SweepSettings;

// The sweep for a reader at a terminal: per hour the number of caught devices, then every caught
// device with the hours it was caught in as ranges, then the caught device-hours per day. Every
// line fits kWidth characters.
class SweepTable
{
public:
    static constexpr qsizetype kWidth = 80;

    static bool write(QIODevice &device, const SweepResult &result, const SweepSettings &settings);
};

} // namespace tovik

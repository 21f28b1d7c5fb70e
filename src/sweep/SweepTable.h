#pragma once

#include <QIODevice>

namespace tovik {

struct SweepResult;
struct SweepSettings;

// The sweep for a reader: per hour the number of caught devices, then every caught device with
// the hours it was caught in.
class SweepTable
{
public:
    static bool write(QIODevice &device, const SweepResult &result, const SweepSettings &settings);
};

} // namespace tovik

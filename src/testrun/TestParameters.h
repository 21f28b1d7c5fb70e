#pragma once

#include <QString>
#include <optional>

namespace tovik {

class RunHost;

// The threshold settings of one run, read once when it starts.
struct TestParameters
{
    qint16 MonStartHour = 0;
    qint16 MonStopHour = 0;
    qint16 CpuLoadThreshold = 0;
    qint16 Occurrences = 0;

    // Reads the four fields in their order; the first that fails to convert stops the
    // reading and its description goes to *failure.
    static std::optional<TestParameters> read(const RunHost &host, QString *failure);
};

} // namespace tovik

#pragma once

#include <QString>
#include <optional>

namespace tovik {

struct SweepFrame;

// Where a sweep found samples at all. A range without any is no quiet installation: the samples
// are not where the range says (another range, a poller that stopped, another database), so no
// count from it may stand as an answer.
class SampleCoverage
{
public:
    static bool hasAnySample(const SweepFrame &frame);
    // "no CPU samples from <from> to <to> in any of the N CPU reports".
    static QString noSamplesText(const SweepFrame &frame);
    // The reports without a sample in the range while others had some; nothing when every report
    // had samples or none had.
    static std::optional<QString> unsampledReportsText(const SweepFrame &frame);
    // Why occurrences can never fire on data whose busiest device-hour held mostSamples samples;
    // nothing when it can.
    static std::optional<QString> neverFiresText(qint16 occurrences, qint32 mostSamples);
    // "at most N samples in an hour"
    static QString mostSamplesText(qint32 mostSamples);
};

} // namespace tovik

#pragma once

#include <QByteArray>
#include <QIODevice>

namespace tovik {

struct SweepResult;
struct SweepSettings;

// The whole sweep as one JSON object (UTF-8): the settings without any connection detail, every
// hour of the range with whether it was monitored and its caught devices, and the rows, each with
// the hour's samples at any load.
class SweepJson
{
public:
    static bool write(QIODevice &device, const SweepResult &result, const SweepSettings &settings);
    static QByteArray string(const QString &text);
    // "from":...,"to":... of the settings' range.
    static QByteArray rangeFields(const SweepSettings &settings);
    // "monitoring":{"start":...,"stop":...}.
    static QByteArray monitoringField(const SweepSettings &settings);
};

} // namespace tovik

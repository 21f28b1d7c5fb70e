#include "sweep/SweepChoice.h"

#include "sweep/ChoiceSetting.h"

namespace tovik {

SweepChoice::SweepChoice()
{
    for (const ChoiceSetting &setting : ChoiceSetting::all())
        setting.read(setting.defaultValue, *this);
}

std::optional<SweepSettings> SweepChoice::sweep(const QDateTime &now, QString *failure) const
{
    const auto range = fixedRange ? SweepRange::fromTexts(from, to, failure)
                                  : SweepRange::lastHours(lastHours, now, failure);
    if (!range)
        return std::nullopt;
    SweepSettings settings;
    settings.connection = connection.fields;
    settings.timeouts.loginSeconds = connection.loginTimeoutSeconds;
    settings.security = connection.security;
    settings.range = *range;
    settings.threshold = threshold;
    settings.occurrences = occurrences;
    settings.monStartHour = monStartHour;
    settings.monStopHour = monStopHour;
    return settings;
}

} // namespace tovik

#include "sweep/NoiseProfile.h"

#include <cmath>

namespace tovik {

QString NoiseProfile::devicesText() const
{
    if (alarms == 0)
        return {};
    const QString percent = QString::number(std::lround(shareOfThoseDevices));
    if (devicesForHalf == 1)
        return QStringLiteral("1 device gives %1 % of the alarms").arg(percent);
    return QStringLiteral("%1 devices give %2 % of the alarms").arg(devicesForHalf).arg(percent);
}

} // namespace tovik

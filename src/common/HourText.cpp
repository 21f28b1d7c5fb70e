#include "common/HourText.h"

#include "common/TimeFormats.h"

namespace tovik {

QString HourText::of(const QDateTime &time)
{
    return time.toString(TimeFormats::kWholeHour);
}

} // namespace tovik

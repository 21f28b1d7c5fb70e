#include "common/HourText.h"

namespace tovik {

QString HourText::of(const QDateTime &time)
{
    return time.toString(kFormat);
}

} // namespace tovik

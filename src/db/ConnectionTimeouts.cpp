#include "db/ConnectionTimeouts.h"

#include "common/IntegerConversion.h"

namespace tovik {

int ConnectionTimeouts::loginSecondsOf(const QString &text)
{
    const auto seconds = IntegerConversion::toInt32(text);
    return seconds && *seconds >= 0 ? *seconds : kDefaultLoginSeconds;
}

} // namespace tovik

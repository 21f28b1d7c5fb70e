#pragma once

#include <QtGlobal>

namespace tovik {

// A threshold and occurrences value of a sweep's result: the one shown, or one it is compared
// with.
struct AlarmChoice
{
    qint16 threshold = 0;
    qint16 occurrences = 0;

    friend bool operator==(const AlarmChoice &, const AlarmChoice &) = default;
};

} // namespace tovik

#pragma once

#include <QtGlobal>

namespace tovik {

// One cell of a tuning surface: a threshold of its ladder, by step, and an occurrences value.
struct TuneSetting
{
    int step = 0;
    qint16 occurrences = 1;

    friend bool operator==(const TuneSetting &, const TuneSetting &) = default;
};

} // namespace tovik

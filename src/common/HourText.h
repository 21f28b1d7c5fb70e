#pragma once

#include <QDateTime>
#include <QString>

namespace tovik {

// How every program writes a whole wall-clock hour (TimeFormats::kWholeHour). The samples' times
// are compared with these texts, so the run, the sweep and the explorer must write them alike.
class HourText
{
public:
    static QString of(const QDateTime &time);
};

} // namespace tovik

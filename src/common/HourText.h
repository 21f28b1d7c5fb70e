#pragma once

#include <QDateTime>
#include <QString>

namespace tovik {

// How every program writes a whole wall-clock hour. The samples' times are compared with these
// texts, so the run, the sweep and the explorer must write them alike.
class HourText
{
public:
    static inline const QString kFormat = QStringLiteral("yyyy-MM-dd HH:00:00");

    static QString of(const QDateTime &time);
};

} // namespace tovik

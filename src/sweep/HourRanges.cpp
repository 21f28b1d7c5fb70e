#include "sweep/HourRanges.h"

#include "common/TimeFormats.h"

namespace tovik {

namespace {

QString day(const QDateTime &hour)
{
    return hour.toString(TimeFormats::kDay);
}

QString clock(const QDateTime &hour)
{
    return hour.toString(TimeFormats::kClock);
}

} // namespace

QString HourRanges::text(const QDateTime &first, const QDateTime &last)
{
    const QDateTime end = last.addSecs(3600);
    QString endText;
    if (end.date() == first.date())
        endText = clock(end);
    else if (end.date() == first.date().addDays(1) && end.time() == QTime(0, 0))
        endText = QStringLiteral("24:00");
    else
        endText = day(end) + u' ' + clock(end);
    return day(first) + u' ' + clock(first) + u'-' + endText;
}

QStringList HourRanges::of(const SweepRange &range, const QList<int> &hourIndexes)
{
    QStringList ranges;
    for (qsizetype i = 0; i < hourIndexes.size();) {
        qsizetype last = i;
        while (
            last + 1 < hourIndexes.size() && hourIndexes.at(last + 1) == hourIndexes.at(last) + 1)
            ++last;
        ranges << text(range.hour(hourIndexes.at(i)), range.hour(hourIndexes.at(last)));
        i = last + 1;
    }
    return ranges;
}

} // namespace tovik

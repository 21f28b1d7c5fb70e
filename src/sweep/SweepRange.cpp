#include "sweep/SweepRange.h"

#include "common/HourText.h"
#include "common/TimeFormats.h"
#include "common/WallClock.h"

#include <QRegularExpression>

namespace tovik {

namespace {

constexpr qint64 kSecondsPerHour = 3600;

// The database's hour 0: DATEDIFF(hour, 0, t) counts from 1900-01-01 00:00.
const QDateTime databaseEpoch = WallClock::at(QDate(1900, 1, 1), QTime(0, 0));

std::optional<QDateTime> wholeHour(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2}) (\\d{2}):00:00$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date = QDate::fromString(match.captured(1), TimeFormats::kDate);
    const int hour = match.captured(2).toInt();
    if (!date.isValid() || hour > 23)
        return std::nullopt;
    return WallClock::at(date, QTime(hour, 0));
}

QString notWholeHour(const QString &text)
{
    return QStringLiteral("'%1' is not a whole hour of the form YYYY-MM-DD HH:00:00.").arg(text);
}

} // namespace

SweepRange::SweepRange(QDateTime from, QDateTime to)
    : m_from(std::move(from))
    , m_to(std::move(to))
    , m_firstHourNumber(databaseEpoch.secsTo(m_from) / kSecondsPerHour)
    , m_hourCount(int(m_from.secsTo(m_to) / kSecondsPerHour))
{
}

std::optional<SweepRange> SweepRange::checked(
    const QDateTime &from, const QDateTime &to, QString *failure)
{
    const qint64 hours = from.secsTo(to) / kSecondsPerHour;
    if (hours < 0)
        *failure = QStringLiteral("The range ends at %2, before it starts at %1.")
                       .arg(hourText(from), hourText(to));
    else if (hours == 0)
        *failure = QStringLiteral("The range from %1 to %2 holds no hour.")
                       .arg(hourText(from), hourText(to));
    else if (hours > kMaxHours)
        *failure = QStringLiteral("The range from %1 to %2 spans more than 31 days.")
                       .arg(hourText(from), hourText(to));
    else
        return SweepRange(from, to);
    return std::nullopt;
}

std::optional<SweepRange> SweepRange::fromTexts(
    const QString &from, const QString &to, QString *failure)
{
    const auto start = wholeHour(from);
    const auto end = wholeHour(to);
    if (!start || !end) {
        *failure = notWholeHour(start ? to : from);
        return std::nullopt;
    }
    return checked(*start, *end, failure);
}

std::optional<SweepRange> SweepRange::lastHours(
    int hours, const QDateTime &referenceTime, QString *failure)
{
    if (hours < 1 || hours > kMaxHours) {
        *failure = QStringLiteral("The number of hours must be from 1 to %1.").arg(kMaxHours);
        return std::nullopt;
    }
    const QDateTime end
        = WallClock::at(referenceTime.date(), QTime(referenceTime.time().hour(), 0));
    return checked(end.addSecs(-hours * kSecondsPerHour), end, failure);
}

QDateTime SweepRange::hour(int index) const
{
    return m_from.addSecs(index * kSecondsPerHour);
}

SweepRange SweepRange::part(int first, int count) const
{
    return SweepRange(hour(first), hour(first + count));
}

QString SweepRange::hourText(const QDateTime &hour)
{
    return HourText::of(hour);
}

} // namespace tovik

namespace tovik {

QStringList SweepRange::hourTexts() const
{
    QStringList texts;
    for (int i = 0; i < hourCount(); ++i)
        texts << hourText(hour(i));
    return texts;
}

} // namespace tovik

#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace tovik {

// The examined whole wall-clock hours [from, to). The times carry the wall-clock fields in
// Qt::UTC, which Qt never moves, so that an hour that a change to summer time skips locally keeps
// its place like every other: the samples are stored as wall-clock texts.
class SweepRange
{
public:
    static constexpr int kMaxHours = 31 * 24;

    // No hour at all; the factories below make every other range.
    SweepRange() = default;

    // Both texts 'YYYY-MM-DD HH:00:00'; the range must hold 1 to kMaxHours hours.
    static std::optional<SweepRange> fromTexts(
        const QString &from, const QString &to, QString *failure);
    // The hours before the hour that holds referenceTime (a local time).
    static std::optional<SweepRange> lastHours(
        int hours, const QDateTime &referenceTime, QString *failure);

    QDateTime from() const { return m_from; }
    QDateTime to() const { return m_to; }
    int hourCount() const { return m_hourCount; }
    QDateTime hour(int index) const;
    // The hours [first, first + count) of this range.
    SweepRange part(int first, int count) const;
    // The index of the hour numbered as the database numbers hours since 1900-01-01 00:00
    // (DATEDIFF(hour, 0, t)), when the range holds it. Asked once for every row of a sweep.
    std::optional<int> indexOfHourNumber(qint64 hourNumber) const
    {
        const qint64 index = hourNumber - m_firstHourNumber;
        if (index < 0 || index >= m_hourCount)
            return std::nullopt;
        return int(index);
    }

    static QString hourText(const QDateTime &hour);
    // hourText of every hour, in order.
    QStringList hourTexts() const;

    bool operator==(const SweepRange &) const = default;

private:
    SweepRange(QDateTime from, QDateTime to);
    static std::optional<SweepRange> checked(
        const QDateTime &from, const QDateTime &to, QString *failure);

    QDateTime m_from;
    QDateTime m_to;
    // Both follow from the times, kept for the per-row questions above.
    qint64 m_firstHourNumber = 0;
    int m_hourCount = 0;
};

} // namespace tovik

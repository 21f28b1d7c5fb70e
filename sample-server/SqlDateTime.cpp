#include "SqlDateTime.h"

#include <cmath>
#include <cstdio>

namespace tovik::sampleserver {

namespace {

struct Cursor
{
    std::string_view text;
    std::size_t at = 0;

    bool atEnd() const { return at == text.size(); }
    bool take(char c)
    {
        if (at < text.size() && text[at] == c) {
            ++at;
            return true;
        }
        return false;
    }
    std::optional<int> digits(std::size_t count)
    {
        if (text.size() - at < count)
            return std::nullopt;
        int value = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const char c = text[at + i];
            if (c < '0' || c > '9')
                return std::nullopt;
            value = value * 10 + (c - '0');
        }
        at += count;
        return value;
    }
};

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

struct Date
{
    int year;
    int month;
    int day;
};

std::optional<Date> readDate(Cursor &cursor)
{
    const auto year = cursor.digits(4);
    if (!year || !cursor.take('-'))
        return std::nullopt;
    const auto month = cursor.digits(2);
    if (!month || !cursor.take('-'))
        return std::nullopt;
    const auto day = cursor.digits(2);
    if (!day)
        return std::nullopt;
    return Date {*year, *month, *day};
}

// Milliseconds-and-below as a fraction of a second; nothing for a malformed fraction.
std::optional<double> readFraction(Cursor &cursor)
{
    if (!cursor.take('.'))
        return 0.0;
    double fraction = 0.0;
    double scale = 0.1;
    std::size_t count = 0;
    while (const auto digit = cursor.digits(1)) {
        fraction += *digit * scale;
        scale /= 10.0;
        ++count;
    }
    if (count == 0)
        return std::nullopt;
    return fraction;
}

struct Clock
{
    int hour = 0;
    int minute = 0;
    int second = 0;
    double fraction = 0.0;

    bool inRange() const { return hour <= 23 && minute <= 59 && second <= 59; }
    double seconds() const { return hour * 3600.0 + minute * 60.0 + second + fraction; }
};

// 'hh:mm[:ss[.fff]]' by its shape; the values may be out of range.
std::optional<Clock> readClock(Cursor &cursor)
{
    const auto hour = cursor.digits(2);
    if (!hour || !cursor.take(':'))
        return std::nullopt;
    const auto minute = cursor.digits(2);
    if (!minute)
        return std::nullopt;
    Clock clock {*hour, *minute, 0, 0.0};
    if (cursor.take(':')) {
        const auto second = cursor.digits(2);
        const auto fraction = second ? readFraction(cursor) : std::nullopt;
        if (!second || !fraction)
            return std::nullopt;
        clock.second = *second;
        clock.fraction = *fraction;
    }
    return clock;
}

std::optional<double> readTime(Cursor &cursor)
{
    if (cursor.atEnd())
        return 0.0;
    if (!cursor.take(' ') && !cursor.take('T'))
        return std::nullopt;
    const auto clock = readClock(cursor);
    if (!clock || !clock->inRange())
        return std::nullopt;
    return clock->seconds();
}

} // namespace

std::optional<SqlDateTime> SqlDateTime::parse(std::string_view text)
{
    Cursor cursor {text};
    const auto date = readDate(cursor);
    if (!date)
        return std::nullopt;
    const auto seconds = readTime(cursor);
    if (!seconds || !cursor.atEnd())
        return std::nullopt;
    return fromParts(date->year, date->month, date->day, *seconds);
}

DateLiteral SqlDateTime::readLiteral(std::string_view text, DateOrder order)
{
    Cursor cursor {text};
    const auto year = cursor.digits(4);
    if (!year)
        return {};
    const bool dashed = cursor.take('-');
    const auto first = cursor.digits(2);
    if (!first || (dashed && !cursor.take('-')))
        return {};
    const auto second = cursor.digits(2);
    if (!second)
        return {};
    // Only the dashed form with a blank or nothing after the date follows the language;
    // 'YYYYMMDD' and 'YYYY-MM-DDThh:mm:ss' are read alike everywhere.
    const bool isoTime = dashed && cursor.take('T');
    std::optional<Clock> clock = Clock {};
    if (isoTime || cursor.take(' '))
        clock = readClock(cursor);
    if (!clock || !cursor.atEnd())
        return {};
    const bool dayFirst = dashed && !isoTime && order == DateOrder::Dmy;
    const int month = dayFirst ? *second : *first;
    const int day = dayFirst ? *first : *second;
    if (!clock->inRange())
        return {true, std::nullopt};
    return {true, fromParts(*year, month, day, clock->seconds())};
}

std::optional<SqlDateTime> SqlDateTime::fromParts(int year, int month, int day, double seconds)
{
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || year < 1753
        || year > 9999 || seconds < 0.0 || seconds >= 86400.0)
        return std::nullopt;
    const std::int64_t days = daysFromCivil(year, month, day) - daysFromCivil(1900, 1, 1);
    // Rounding to 1/300 s may carry into the next day (23:59:59.999 is midnight after).
    return fromDaysAndTicks(days, std::llround(seconds * 300.0));
}

std::optional<SqlDateTime> SqlDateTime::fromDaysAndTicks(std::int64_t days, std::int64_t ticks)
{
    days += ticks / kTicksPerDay;
    ticks %= kTicksPerDay;
    if (ticks < 0) {
        ticks += kTicksPerDay;
        --days;
    }
    const std::int64_t first = daysFromCivil(1753, 1, 1) - daysFromCivil(1900, 1, 1);
    const std::int64_t last = daysFromCivil(9999, 12, 31) - daysFromCivil(1900, 1, 1);
    if (days < first || days > last)
        return std::nullopt;
    return SqlDateTime {static_cast<std::int32_t>(days), static_cast<std::uint32_t>(ticks)};
}

std::string SqlDateTime::text() const
{
    const auto [year, month, day] = civilFromDays(days + daysFromCivil(1900, 1, 1));
    // 1/300 s ticks shown as SQL Server shows them: milliseconds ending in 0, 3 or 7.
    const std::uint32_t milliseconds = (ticks * 10 + 1) / 3;
    const std::uint32_t seconds = milliseconds / 1000;
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02u:%02u:%02u", year, month, day,
        seconds / 3600, seconds / 60 % 60, seconds % 60);
    std::string result(buffer);
    // The stored texts carry no fraction; a zero one would sort them after equal instants.
    if (milliseconds % 1000 != 0) {
        std::snprintf(buffer, sizeof buffer, ".%03u", milliseconds % 1000);
        result += buffer;
    }
    return result;
}

std::array<int, 3> SqlDateTime::civilFromDays(std::int64_t daysSince1970)
{
    const std::int64_t z = daysSince1970 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra
        = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const auto day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    const auto month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    const auto year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    return {year, month, day};
}

std::int64_t SqlDateTime::daysFromCivil(int year, int month, int day)
{
    // Days since 1970-01-01 in the proleptic Gregorian calendar.
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

} // namespace tovik::sampleserver

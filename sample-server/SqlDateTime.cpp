#include "SqlDateTime.h"

#include <cmath>

namespace tovik::sampleserver {

namespace {

constexpr std::uint32_t kTicksPerDay = 300u * 86400u;

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
    if (!day || *month < 1 || *month > 12 || *day < 1 || *day > daysInMonth(*year, *month))
        return std::nullopt;
    if (*year < 1753)
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

std::optional<double> readTime(Cursor &cursor)
{
    if (cursor.atEnd())
        return 0.0;
    if (!cursor.take(' ') && !cursor.take('T'))
        return std::nullopt;
    const auto hour = cursor.digits(2);
    if (!hour || !cursor.take(':'))
        return std::nullopt;
    const auto minute = cursor.digits(2);
    if (!minute || *hour > 23 || *minute > 59)
        return std::nullopt;
    int second = 0;
    double fraction = 0.0;
    if (cursor.take(':')) {
        const auto secondValue = cursor.digits(2);
        const auto fractionValue = secondValue ? readFraction(cursor) : std::nullopt;
        if (!secondValue || !fractionValue || *secondValue > 59)
            return std::nullopt;
        second = *secondValue;
        fraction = *fractionValue;
    }
    return *hour * 3600.0 + *minute * 60.0 + second + fraction;
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
    std::int64_t days
        = daysFromCivil(date->year, date->month, date->day) - daysFromCivil(1900, 1, 1);
    // Rounding to 1/300 s may carry into the next day (23:59:59.999 is midnight after).
    auto ticks = static_cast<std::uint32_t>(std::llround(*seconds * 300.0));
    if (ticks >= kTicksPerDay) {
        ticks -= kTicksPerDay;
        ++days;
    }
    if (days > daysFromCivil(9999, 12, 31) - daysFromCivil(1900, 1, 1))
        return std::nullopt;
    return SqlDateTime {static_cast<std::int32_t>(days), ticks};
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

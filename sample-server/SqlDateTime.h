#pragma once

#include "LoginLanguage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tovik::sampleserver {

struct DateLiteral;

// SQL Server's DATETIME on the wire: days since 1900-01-01 and 1/300 s ticks since midnight.
struct SqlDateTime
{
    std::int32_t days = 0;
    std::uint32_t ticks = 0;

    // Reads 'YYYY-MM-DD', 'YYYY-MM-DD HH:MM', 'YYYY-MM-DD HH:MM:SS' with optional fractional
    // seconds (a 'T' may stand for the blank), the text forms our SQLite files keep; nothing for
    // anything else or for dates outside DATETIME's range (1753-01-01 to 9999-12-31).
    static std::optional<SqlDateTime> parse(std::string_view text);

    // A string literal that meets a DATETIME as SQL Server reads it in a session's date order:
    // 'YYYY-MM-DD[ hh:mm[:ss[.fff]]]' (year-day-month under dmy), 'YYYY-MM-DDThh:mm[:ss[.fff]]'
    // and 'YYYYMMDD[ hh:mm[:ss[.fff]]]'.
    static DateLiteral readLiteral(std::string_view text, DateOrder order);
    // Nothing for an impossible date or time, or one outside DATETIME's range.
    static std::optional<SqlDateTime> fromParts(int year, int month, int day, double seconds);
    // Days since 1900-01-01 and ticks that may exceed a day or be negative, normalised.
    static std::optional<SqlDateTime> fromDaysAndTicks(std::int64_t days, std::int64_t ticks);
    static std::int64_t daysFromCivil(int year, int month, int day);
    // Year, month and day of a day counted from 1970-01-01.
    static std::array<int, 3> civilFromDays(std::int64_t daysSince1970);

    // 'YYYY-MM-DD hh:mm:ss', with '.mmm' only when the milliseconds are not zero: the form the
    // served files keep, so that texts compare as the instants do.
    std::string text() const;

    static constexpr std::int64_t kTicksPerDay = 300LL * 86400LL;
};

struct DateLiteral
{
    bool isDate = false; // has the shape of a date text SQL Server converts
    std::optional<SqlDateTime> value; // nothing for an impossible or out-of-range date
};

} // namespace tovik::sampleserver

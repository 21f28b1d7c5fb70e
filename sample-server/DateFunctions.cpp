#include "DateFunctions.h"

#include "SqlDateTime.h"
#include "TextCodec.h"

#include <cmath>
#include <optional>
#include <sqlite3.h>
#include <string>

namespace tovik::sampleserver {

namespace {

enum class Unit { Year, Month, Day, Hour, Minute, Second };

constexpr std::int64_t kTicksPerSecond = 300;

std::optional<Unit> unitNamed(const std::string &name)
{
    const std::string lower = TextCodec::lowerAscii(name);
    if (lower == "year" || lower == "yy" || lower == "yyyy")
        return Unit::Year;
    if (lower == "month" || lower == "mm" || lower == "m")
        return Unit::Month;
    if (lower == "day" || lower == "dd" || lower == "d")
        return Unit::Day;
    if (lower == "hour" || lower == "hh")
        return Unit::Hour;
    if (lower == "minute" || lower == "mi" || lower == "n")
        return Unit::Minute;
    if (lower == "second" || lower == "ss" || lower == "s")
        return Unit::Second;
    return std::nullopt;
}

std::int64_t ticksPer(Unit unit)
{
    switch (unit) {
    case Unit::Day:
        return SqlDateTime::kTicksPerDay;
    case Unit::Hour:
        return 3600 * kTicksPerSecond;
    case Unit::Minute:
        return 60 * kTicksPerSecond;
    default:
        return kTicksPerSecond;
    }
}

std::optional<SqlDateTime> dateArgument(sqlite3_value *value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        return SqlDateTime::fromDaysAndTicks(sqlite3_value_int64(value), 0);
    case SQLITE_FLOAT: {
        const double days = sqlite3_value_double(value);
        const double whole = std::floor(days);
        return SqlDateTime::fromDaysAndTicks(static_cast<std::int64_t>(whole),
            std::llround((days - whole) * double(SqlDateTime::kTicksPerDay)));
    }
    case SQLITE_TEXT:
        return SqlDateTime::parse(reinterpret_cast<const char *>(sqlite3_value_text(value)));
    default:
        return std::nullopt;
    }
}

std::int64_t absoluteTicks(const SqlDateTime &value)
{
    return std::int64_t(value.days) * SqlDateTime::kTicksPerDay + value.ticks;
}

std::int64_t floorDivide(std::int64_t value, std::int64_t divisor)
{
    return value / divisor - (value % divisor < 0 ? 1 : 0);
}

std::int64_t monthIndex(const SqlDateTime &value)
{
    const auto [year, month, day]
        = SqlDateTime::civilFromDays(value.days + SqlDateTime::daysFromCivil(1900, 1, 1));
    return std::int64_t(year) * 12 + (month - 1);
}

std::optional<SqlDateTime> addMonths(const SqlDateTime &value, std::int64_t months)
{
    auto [year, month, day]
        = SqlDateTime::civilFromDays(value.days + SqlDateTime::daysFromCivil(1900, 1, 1));
    const std::int64_t index = std::int64_t(year) * 12 + (month - 1) + months;
    if (index < 1753 * 12 || index > 9999 * 12 + 11)
        return std::nullopt;
    const int newYear = static_cast<int>(index / 12);
    const int newMonth = static_cast<int>(index % 12) + 1;
    // The end of a longer month becomes the end of a shorter one, as in T-SQL.
    for (; day > 28; --day) {
        if (SqlDateTime::fromParts(newYear, newMonth, day, 0.0))
            break;
    }
    const auto moved = SqlDateTime::fromParts(newYear, newMonth, day, 0.0);
    return moved ? SqlDateTime::fromDaysAndTicks(moved->days, value.ticks) : std::nullopt;
}

std::optional<Unit> unitArgument(sqlite3_context *context, sqlite3_value *value, const char *what)
{
    const auto *text = sqlite3_value_text(value);
    const std::string name = text ? reinterpret_cast<const char *>(text) : "";
    const auto unit = unitNamed(name);
    if (!unit) {
        const std::string message = "'" + name + "' is not a recognized " + what + " option.";
        sqlite3_result_error(context, message.c_str(), -1);
    }
    return unit;
}

void dateAdd(sqlite3_context *context, int, sqlite3_value **arguments)
{
    const auto unit = unitArgument(context, arguments[0], "dateadd");
    if (!unit)
        return;
    const auto date = dateArgument(arguments[2]);
    if (!date || sqlite3_value_type(arguments[1]) == SQLITE_NULL)
        return sqlite3_result_null(context);
    const std::int64_t amount = sqlite3_value_int64(arguments[1]);
    const auto result = *unit == Unit::Year || *unit == Unit::Month
        ? addMonths(*date, *unit == Unit::Year ? amount * 12 : amount)
        : SqlDateTime::fromDaysAndTicks(0, absoluteTicks(*date) + amount * ticksPer(*unit));
    if (!result) {
        return sqlite3_result_error(
            context, "Adding a value to a 'datetime' column caused an overflow.", -1);
    }
    const std::string text = result->text();
    sqlite3_result_text(context, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void dateDiff(sqlite3_context *context, int, sqlite3_value **arguments)
{
    const auto unit = unitArgument(context, arguments[0], "datediff");
    if (!unit)
        return;
    const auto start = dateArgument(arguments[1]);
    const auto end = dateArgument(arguments[2]);
    if (!start || !end)
        return sqlite3_result_null(context);
    std::int64_t difference = 0;
    if (*unit == Unit::Year)
        difference = monthIndex(*end) / 12 - monthIndex(*start) / 12;
    else if (*unit == Unit::Month)
        difference = monthIndex(*end) - monthIndex(*start);
    else
        difference = floorDivide(absoluteTicks(*end), ticksPer(*unit))
            - floorDivide(absoluteTicks(*start), ticksPer(*unit));
    sqlite3_result_int64(context, difference);
}

} // namespace

void DateFunctions::registerOn(sqlite3 *handle)
{
    // Innocuous: an index of the sample tables is over DATEDIFF.
    constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    sqlite3_create_function(handle, "dateadd", 3, kFlags, nullptr, &dateAdd, nullptr, nullptr);
    sqlite3_create_function(handle, "datediff", 3, kFlags, nullptr, &dateDiff, nullptr, nullptr);
}

} // namespace tovik::sampleserver

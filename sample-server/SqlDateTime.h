#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tovik::sampleserver {

// SQL Server's DATETIME on the wire: days since 1900-01-01 and 1/300 s ticks since midnight.
struct SqlDateTime
{
    std::int32_t days = 0;
    std::uint32_t ticks = 0;

    // Reads 'YYYY-MM-DD', 'YYYY-MM-DD HH:MM', 'YYYY-MM-DD HH:MM:SS' with optional fractional
    // seconds (a 'T' may stand for the blank), the text forms our SQLite files keep; nothing for
    // anything else or for dates outside DATETIME's range (1753-01-01 to 9999-12-31).
    static std::optional<SqlDateTime> parse(std::string_view text);
    static std::int64_t daysFromCivil(int year, int month, int day);
};

} // namespace tovik::sampleserver

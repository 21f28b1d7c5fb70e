#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace tovik::sampleserver {

enum class ColumnType { SmallInt, Int, BigInt, Float, DateTime, NVarChar };

// One SQLite value as read from a result row.
using CellValue = std::variant<std::monostate, std::int64_t, double, std::string>;

// How SQLite's declared column types become TDS column types. A column keeps its declared type
// unless a stored value cannot be sent in it (SQLite does not enforce types): then it is widened
// to the narrowest type that holds every value, along smallint, int, bigint, float, nvarchar
// (datetime widens to nvarchar). A column without a declared type (an expression) takes the type
// of its first non-NULL value (integer: int, real: float, text: nvarchar) and widens the same way;
// an expression column without any value is nvarchar, except COUNT(...), which is int.
class ColumnTypeRules
{
public:
    static std::optional<ColumnType> fromDeclaredType(std::string_view declared);
    static std::optional<ColumnType> forUndeclared(std::string_view columnName);
    static std::optional<ColumnType> widened(
        std::optional<ColumnType> current, const CellValue &value);
    static ColumnType finalType(std::optional<ColumnType> type);
    static bool isInteger(ColumnType type)
    {
        return type == ColumnType::SmallInt || type == ColumnType::Int
            || type == ColumnType::BigInt;
    }

private:
    static bool accepts(ColumnType type, const CellValue &value);
    static ColumnType next(ColumnType type);
    static ColumnType initialFor(const CellValue &value);
};

} // namespace tovik::sampleserver

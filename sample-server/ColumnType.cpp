#include "ColumnType.h"

#include "SqlDateTime.h"
#include "TextCodec.h"

#include <limits>

namespace tovik::sampleserver {

namespace {

std::string baseTypeName(std::string_view declared)
{
    const auto open = declared.find('(');
    std::string_view base = declared.substr(0, open);
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    while (!base.empty() && base.front() == ' ')
        base.remove_prefix(1);
    return TextCodec::lowerAscii(base);
}

bool contains(const std::string &text, std::string_view part)
{
    return text.find(part) != std::string::npos;
}

template<typename T>
bool fits(std::int64_t value)
{
    return value >= std::numeric_limits<T>::min() && value <= std::numeric_limits<T>::max();
}

} // namespace

std::optional<ColumnType> ColumnTypeRules::fromDeclaredType(std::string_view declared)
{
    const std::string base = baseTypeName(declared);
    if (base.empty())
        return std::nullopt;
    if (base == "bigint")
        return ColumnType::BigInt;
    if (base == "smallint" || base == "tinyint")
        return ColumnType::SmallInt;
    if (base == "datetime" || base == "date" || base == "datetime2" || base == "smalldatetime")
        return ColumnType::DateTime;
    // The remaining names follow SQLite's own affinity rules.
    if (contains(base, "int"))
        return ColumnType::Int;
    if (contains(base, "char") || contains(base, "clob") || contains(base, "text"))
        return ColumnType::NVarChar;
    if (contains(base, "real") || contains(base, "floa") || contains(base, "doub"))
        return ColumnType::Float;
    return std::nullopt;
}

std::optional<ColumnType> ColumnTypeRules::forUndeclared(std::string_view columnName)
{
    if (TextCodec::lowerAscii(columnName.substr(0, 6)) == "count(")
        return ColumnType::Int;
    if (TextCodec::lowerAscii(columnName.substr(0, 8)) == "dateadd(")
        return ColumnType::DateTime;
    return std::nullopt;
}

std::optional<ColumnType> ColumnTypeRules::widened(
    std::optional<ColumnType> current, const CellValue &value)
{
    if (std::holds_alternative<std::monostate>(value))
        return current;
    ColumnType type = current ? *current : initialFor(value);
    while (!accepts(type, value))
        type = next(type);
    return type;
}

ColumnType ColumnTypeRules::finalType(std::optional<ColumnType> type)
{
    return type ? *type : ColumnType::NVarChar;
}

bool ColumnTypeRules::accepts(ColumnType type, const CellValue &value)
{
    if (const auto *integer = std::get_if<std::int64_t>(&value)) {
        switch (type) {
        case ColumnType::SmallInt:
            return fits<std::int16_t>(*integer);
        case ColumnType::Int:
            return fits<std::int32_t>(*integer);
        case ColumnType::DateTime:
            return false;
        default:
            return true;
        }
    }
    if (std::holds_alternative<double>(value))
        return type == ColumnType::Float || type == ColumnType::NVarChar;
    if (const auto *text = std::get_if<std::string>(&value)) {
        if (type == ColumnType::DateTime)
            return SqlDateTime::parse(*text).has_value();
        return type == ColumnType::NVarChar;
    }
    return true;
}

ColumnType ColumnTypeRules::next(ColumnType type)
{
    switch (type) {
    case ColumnType::SmallInt:
        return ColumnType::Int;
    case ColumnType::Int:
        return ColumnType::BigInt;
    case ColumnType::BigInt:
        return ColumnType::Float;
    default:
        return ColumnType::NVarChar;
    }
}

ColumnType ColumnTypeRules::initialFor(const CellValue &value)
{
    if (std::holds_alternative<std::int64_t>(value))
        return ColumnType::Int;
    if (std::holds_alternative<double>(value))
        return ColumnType::Float;
    return ColumnType::NVarChar;
}

} // namespace tovik::sampleserver

#include "RpcParameter.h"

#include "SqlDateTime.h"
#include "TextCodec.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tovik::sampleserver {

namespace {

namespace Type {
constexpr std::uint8_t Date = 0x28;
constexpr std::uint8_t Time = 0x29;
constexpr std::uint8_t DateTime2 = 0x2A;
constexpr std::uint8_t IntN = 0x26;
constexpr std::uint8_t Int1 = 0x30;
constexpr std::uint8_t Bit = 0x32;
constexpr std::uint8_t Int2 = 0x34;
constexpr std::uint8_t Int4 = 0x38;
constexpr std::uint8_t SmallDateTime = 0x3A;
constexpr std::uint8_t Real = 0x3B;
constexpr std::uint8_t DateTime = 0x3D;
constexpr std::uint8_t Float = 0x3E;
constexpr std::uint8_t BitN = 0x68;
constexpr std::uint8_t DecimalN = 0x6A;
constexpr std::uint8_t NumericN = 0x6C;
constexpr std::uint8_t FloatN = 0x6D;
constexpr std::uint8_t DateTimeN = 0x6F;
constexpr std::uint8_t Int8 = 0x7F;
constexpr std::uint8_t VarChar = 0xA7;
constexpr std::uint8_t Char = 0xAF;
constexpr std::uint8_t NVarChar = 0xE7;
constexpr std::uint8_t NChar = 0xEF;
constexpr std::uint8_t Text = 0x23;
constexpr std::uint8_t NText = 0x63;
} // namespace Type

constexpr std::uint16_t kPlpLength = 0xFFFF;
constexpr std::uint64_t kPlpNull = ~0ULL;
constexpr std::size_t kCollationSize = 5;

std::uint64_t littleEndian(ByteView bytes)
{
    std::uint64_t value = 0;
    for (std::size_t i = bytes.size(); i > 0; --i)
        value = (value << 8) | bytes[i - 1];
    return value;
}

std::int64_t signedValue(std::uint64_t raw, std::size_t size)
{
    const unsigned bits = static_cast<unsigned>(size * 8);
    if (bits < 64 && size > 1 && (raw >> (bits - 1)) & 1)
        raw |= ~0ULL << bits;
    return static_cast<std::int64_t>(raw);
}

// The fixed-length types have no length in their TYPE_INFO nor before their value.
std::optional<std::size_t> fixedSize(std::uint8_t type)
{
    switch (type) {
    case Type::Int1:
    case Type::Bit:
        return 1;
    case Type::Int2:
        return 2;
    case Type::Int4:
    case Type::SmallDateTime:
    case Type::Real:
        return 4;
    case Type::DateTime:
    case Type::Float:
    case Type::Int8:
        return 8;
    default:
        return std::nullopt;
    }
}

// A nullable fixed-length type is declared with one of its base types' sizes, and a value that
// is not NULL has one of them too; any other size would have the value read past its bytes.
bool isNullableSize(std::uint8_t type, std::size_t size)
{
    switch (type) {
    case Type::IntN:
        return size == 1 || size == 2 || size == 4 || size == 8;
    case Type::BitN:
        return size == 1;
    default:
        return size == 4 || size == 8;
    }
}

std::string integerTypeName(std::size_t size)
{
    switch (size) {
    case 1:
        return "tinyint";
    case 2:
        return "smallint";
    case 4:
        return "int";
    default:
        return "bigint";
    }
}

std::string fractionText(std::uint64_t units, int scale)
{
    if (units == 0 || scale == 0)
        return {};
    std::string digits = std::to_string(units);
    digits.insert(
        0, static_cast<std::size_t>(scale) - std::min(digits.size(), std::size_t(scale)), '0');
    while (digits.size() > 3 && digits.back() == '0')
        digits.pop_back();
    return "." + digits;
}

std::string clockText(std::uint64_t units, int scale)
{
    std::uint64_t perSecond = 1;
    for (int i = 0; i < scale; ++i)
        perSecond *= 10;
    const std::uint64_t seconds = units / perSecond;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02u:%02u:%02u", unsigned(seconds / 3600),
        unsigned(seconds / 60 % 60), unsigned(seconds % 60));
    return buffer + fractionText(units % perSecond, scale);
}

std::string dateText(std::int64_t daysSince0001)
{
    const auto [year, month, day]
        = SqlDateTime::civilFromDays(daysSince0001 + SqlDateTime::daysFromCivil(1, 1, 1));
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", year, month, day);
    return buffer;
}

std::size_t timeBytes(int scale)
{
    return scale <= 2 ? 3 : scale <= 4 ? 4 : 5;
}

class ValueReader
{
public:
    ValueReader(ByteReader &reader, RpcParameter &parameter)
        : m_reader(reader)
        , m_parameter(parameter)
    {
    }

    bool read(std::uint8_t type)
    {
        if (const auto size = fixedSize(type))
            return fixed(type, *size);
        switch (type) {
        case Type::IntN:
        case Type::BitN:
        case Type::FloatN:
        case Type::DateTimeN:
            return nullable(type);
        case Type::DecimalN:
        case Type::NumericN:
            return decimal(type);
        case Type::Date:
            return date();
        case Type::Time:
        case Type::DateTime2:
            return scaled(type);
        case Type::VarChar:
        case Type::Char:
        case Type::NVarChar:
        case Type::NChar:
            return character(type);
        case Type::Text:
        case Type::NText:
            return longText(type);
        default:
            return false;
        }
    }

private:
    bool fixed(std::uint8_t type, std::size_t size)
    {
        const auto bytes = m_reader.bytes(size);
        return bytes && assign(type, *bytes);
    }

    bool nullable(std::uint8_t type)
    {
        const auto maxSize = m_reader.u8();
        const auto size = m_reader.u8();
        if (!maxSize || !size || !isNullableSize(type, *maxSize)
            || (*size != 0 && (*size > *maxSize || !isNullableSize(type, *size))))
            return false;
        nameFixedType(type, *maxSize);
        if (*size == 0)
            return true;
        const auto bytes = m_reader.bytes(*size);
        return bytes && assign(type, *bytes);
    }

    void nameFixedType(std::uint8_t type, std::size_t size)
    {
        switch (type) {
        case Type::IntN:
            m_parameter.typeName = integerTypeName(size);
            break;
        case Type::BitN:
            m_parameter.typeName = "bit";
            break;
        case Type::FloatN:
            m_parameter.typeName = size == 4 ? "real" : "float";
            break;
        default:
            m_parameter.typeName = size == 4 ? "smalldatetime" : "datetime";
            break;
        }
    }

    bool assign(std::uint8_t type, ByteView bytes)
    {
        const std::uint64_t raw = littleEndian(bytes);
        switch (type) {
        case Type::Real:
        case Type::Float:
        case Type::FloatN:
            m_parameter.value = bytes.size() == 4
                ? double(std::bit_cast<float>(static_cast<std::uint32_t>(raw)))
                : std::bit_cast<double>(raw);
            break;
        case Type::DateTime:
        case Type::SmallDateTime:
        case Type::DateTimeN:
            return assignDateTime(bytes);
        default:
            m_parameter.value = type == Type::Int1 || type == Type::Bit || type == Type::BitN
                ? static_cast<std::int64_t>(raw)
                : signedValue(raw, bytes.size());
            break;
        }
        if (m_parameter.typeName.empty())
            m_parameter.typeName = type == Type::Real ? "real"
                : type == Type::Float                 ? "float"
                : type == Type::Bit                   ? "bit"
                                                      : integerTypeName(bytes.size());
        return true;
    }

    bool assignDateTime(ByteView bytes)
    {
        const bool small = bytes.size() == 4;
        if (m_parameter.typeName.empty())
            m_parameter.typeName = small ? "smalldatetime" : "datetime";
        const std::int64_t days = small ? std::int64_t(littleEndian(bytes.subspan(0, 2)))
                                        : signedValue(littleEndian(bytes.subspan(0, 4)), 4);
        const std::int64_t ticks = small
            ? std::int64_t(littleEndian(bytes.subspan(2, 2))) * 60 * 300
            : std::int64_t(littleEndian(bytes.subspan(4, 4)));
        const auto value = SqlDateTime::fromDaysAndTicks(days, ticks);
        if (!value)
            return false;
        m_parameter.value = value->text();
        return true;
    }

    bool decimal(std::uint8_t type)
    {
        const auto maxSize = m_reader.u8();
        const auto precision = m_reader.u8();
        const auto scale = m_reader.u8();
        const auto size = m_reader.u8();
        if (!maxSize || !precision || !scale || !size || *size > *maxSize || *scale > 38)
            return false;
        m_parameter.typeName = std::string(type == Type::DecimalN ? "decimal(" : "numeric(")
            + std::to_string(*precision) + "," + std::to_string(*scale) + ")";
        if (*size == 0)
            return true;
        const auto sign = m_reader.u8();
        const auto magnitude = m_reader.bytes(*size - 1u);
        if (!sign || !magnitude)
            return false;
        double value = 0.0;
        for (std::size_t i = magnitude->size(); i > 0; --i)
            value = value * 256.0 + (*magnitude)[i - 1];
        const double signedMagnitude = *sign == 1 ? value : -value;
        if (*scale == 0 && magnitude->size() <= 8 && value < 9.2e18)
            m_parameter.value = static_cast<std::int64_t>(
                *sign == 1 ? littleEndian(*magnitude) : -littleEndian(*magnitude));
        else
            m_parameter.value = signedMagnitude / std::pow(10.0, *scale);
        return true;
    }

    bool date()
    {
        m_parameter.typeName = "date";
        const auto size = m_reader.u8();
        if (!size || (*size != 0 && *size != 3))
            return false;
        if (*size == 0)
            return true;
        const auto bytes = m_reader.bytes(3);
        if (!bytes)
            return false;
        m_parameter.value = dateText(std::int64_t(littleEndian(*bytes))) + " 00:00:00";
        return true;
    }

    bool scaled(std::uint8_t type)
    {
        const auto scale = m_reader.u8();
        const auto size = m_reader.u8();
        if (!scale || *scale > 7 || !size)
            return false;
        const bool withDate = type == Type::DateTime2;
        m_parameter.typeName
            = std::string(withDate ? "datetime2(" : "time(") + std::to_string(*scale) + ")";
        if (*size == 0)
            return true;
        const std::size_t clock = timeBytes(*scale);
        if (*size != clock + (withDate ? 3 : 0))
            return false;
        const auto time = m_reader.bytes(clock);
        const auto day = withDate ? m_reader.bytes(3) : std::optional<ByteView>(ByteView {});
        if (!time || !day)
            return false;
        const std::string clockPart = clockText(littleEndian(*time), *scale);
        m_parameter.value
            = withDate ? dateText(std::int64_t(littleEndian(*day))) + " " + clockPart : clockPart;
        return true;
    }

    bool character(std::uint8_t type)
    {
        const bool wide = type == Type::NVarChar || type == Type::NChar;
        const auto maxSize = m_reader.u16le();
        if (!maxSize || !m_reader.bytes(kCollationSize))
            return false;
        const std::string base = type == Type::NVarChar ? "nvarchar"
            : type == Type::NChar                       ? "nchar"
            : type == Type::VarChar                     ? "varchar"
                                                        : "char";
        const bool plp = *maxSize == kPlpLength;
        m_parameter.typeName = base + "("
            + (plp ? std::string("max") : std::to_string(wide ? *maxSize / 2u : *maxSize)) + ")";
        const auto bytes = plp ? plpBytes() : shortBytes();
        if (!bytes)
            return false;
        if (!bytes->has_value())
            return true;
        return assignText(wide, **bytes);
    }

    bool longText(std::uint8_t type)
    {
        const bool wide = type == Type::NText;
        m_parameter.typeName = wide ? "ntext" : "text";
        const auto maxSize = m_reader.u32le();
        if (!maxSize || !m_reader.bytes(kCollationSize))
            return false;
        const auto size = m_reader.u32le();
        if (!size)
            return false;
        if (*size == 0xFFFFFFFFu)
            return true;
        const auto bytes = m_reader.bytes(*size);
        return bytes && assignText(wide, Bytes(bytes->begin(), bytes->end()));
    }

    bool assignText(bool wide, const Bytes &data)
    {
        if (!wide) {
            // Single-byte texts arrive in the collation's code page, Latin-1 for ours.
            std::u16string text(data.begin(), data.end());
            m_parameter.value = TextCodec::toUtf8(text);
            return true;
        }
        const auto text = TextCodec::fromUtf16Le(data);
        if (!text)
            return false;
        m_parameter.value = TextCodec::toUtf8(*text);
        return true;
    }

    // The value bytes, nothing inside for NULL; nothing at all when malformed.
    std::optional<std::optional<Bytes>> shortBytes()
    {
        const auto size = m_reader.u16le();
        if (!size)
            return std::nullopt;
        if (*size == 0xFFFF)
            return std::optional<Bytes>();
        const auto bytes = m_reader.bytes(*size);
        if (!bytes)
            return std::nullopt;
        return std::optional<Bytes>(Bytes(bytes->begin(), bytes->end()));
    }

    std::optional<std::optional<Bytes>> plpBytes()
    {
        const auto total = m_reader.u64le();
        if (!total)
            return std::nullopt;
        if (*total == kPlpNull)
            return std::optional<Bytes>();
        Bytes data;
        while (true) {
            const auto chunk = m_reader.u32le();
            if (!chunk)
                return std::nullopt;
            if (*chunk == 0)
                return std::optional<Bytes>(std::move(data));
            const auto bytes = m_reader.bytes(*chunk);
            if (!bytes)
                return std::nullopt;
            data.insert(data.end(), bytes->begin(), bytes->end());
        }
    }

    ByteReader &m_reader;
    RpcParameter &m_parameter;
};

} // namespace

std::optional<RpcParameter> RpcParameter::read(ByteReader &reader)
{
    const auto nameLength = reader.u8();
    if (!nameLength)
        return std::nullopt;
    const auto nameBytes = reader.bytes(*nameLength * 2u);
    const auto name = nameBytes ? TextCodec::fromUtf16Le(*nameBytes) : std::nullopt;
    const auto status = reader.u8();
    const auto type = status ? reader.u8() : std::nullopt;
    if (!name || !type)
        return std::nullopt;
    RpcParameter parameter;
    parameter.name = TextCodec::toUtf8(*name);
    parameter.output = (*status & 0x01) != 0;
    if (!ValueReader(reader, parameter).read(*type))
        return std::nullopt;
    return parameter;
}

std::string RpcParameter::logText() const
{
    std::string text = (name.empty() ? std::string("(unnamed)") : name) + " " + typeName + "=";
    if (const auto *integer = std::get_if<std::int64_t>(&value))
        return text + std::to_string(*integer);
    if (const auto *real = std::get_if<double>(&value)) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.17g", *real);
        return text + buffer;
    }
    if (const auto *string = std::get_if<std::string>(&value))
        return text + TextCodec::quoted(*string);
    return text + "NULL";
}

} // namespace tovik::sampleserver

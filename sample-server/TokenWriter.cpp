#include "TokenWriter.h"

#include "TextCodec.h"

#include <cstring>

namespace tovik::sampleserver {

namespace {

namespace Token {
constexpr std::uint8_t ColMetadata = 0x81;
constexpr std::uint8_t Error = 0xAA;
constexpr std::uint8_t Info = 0xAB;
constexpr std::uint8_t LoginAck = 0xAD;
constexpr std::uint8_t Row = 0xD1;
constexpr std::uint8_t EnvChange = 0xE3;
constexpr std::uint8_t Done = 0xFD;
constexpr std::uint8_t DoneProc = 0xFE;
constexpr std::uint8_t DoneInProc = 0xFF;
constexpr std::uint8_t ReturnStatus = 0x79;
constexpr std::uint8_t ReturnValue = 0xAC;
constexpr std::uint8_t Sspi = 0xED;
} // namespace Token

namespace TdsType {
constexpr std::uint8_t IntN = 0x26;
constexpr std::uint8_t FloatN = 0x6D;
constexpr std::uint8_t DateTimeN = 0x6F;
constexpr std::uint8_t NVarChar = 0xE7;
} // namespace TdsType

constexpr std::uint16_t kNullableUnknownUpdatable = 0x0009;

std::uint8_t integerSize(ColumnType type)
{
    switch (type) {
    case ColumnType::SmallInt:
        return 2;
    case ColumnType::BigInt:
        return 8;
    default:
        return 4;
    }
}

} // namespace

const Bytes &TokenWriter::collation()
{
    // Latin1_General_CI_AS: LCID 0x0409, case-insensitive, sort id 52.
    static const Bytes bytes {0x09, 0x04, 0xD0, 0x00, 0x34};
    return bytes;
}

void TokenWriter::loginAck(
    std::uint32_t tdsVersion, std::u16string_view programName, std::uint32_t programVersion)
{
    m_out.u8(Token::LoginAck);
    const std::size_t lengthAt = m_out.size();
    m_out.u16le(0);
    m_out.u8(1); // SQL_TSQL
    m_out.u32be(tdsVersion);
    m_out.bVarChar(programName);
    m_out.u32be(programVersion);
    m_out.patchU16le(lengthAt, static_cast<std::uint16_t>(m_out.size() - lengthAt - 2));
}

void TokenWriter::sspi(ByteView token)
{
    m_out.u8(Token::Sspi);
    m_out.u16le(static_cast<std::uint16_t>(token.size()));
    m_out.bytes(token);
}

void TokenWriter::envChange(
    EnvChange type, std::u16string_view newValue, std::u16string_view oldValue)
{
    m_out.u8(Token::EnvChange);
    const std::size_t lengthAt = m_out.size();
    m_out.u16le(0);
    m_out.u8(static_cast<std::uint8_t>(type));
    m_out.bVarChar(newValue);
    m_out.bVarChar(oldValue);
    m_out.patchU16le(lengthAt, static_cast<std::uint16_t>(m_out.size() - lengthAt - 2));
}

void TokenWriter::envChangeBytes(EnvChange type, ByteView newValue, ByteView oldValue)
{
    m_out.u8(Token::EnvChange);
    m_out.u16le(static_cast<std::uint16_t>(3 + newValue.size() + oldValue.size()));
    m_out.u8(static_cast<std::uint8_t>(type));
    m_out.u8(static_cast<std::uint8_t>(newValue.size()));
    m_out.bytes(newValue);
    m_out.u8(static_cast<std::uint8_t>(oldValue.size()));
    m_out.bytes(oldValue);
}

void TokenWriter::info(const SqlMessage &message, std::u16string_view serverName)
{
    this->message(Token::Info, message, serverName);
}

void TokenWriter::error(const SqlMessage &message, std::u16string_view serverName)
{
    this->message(Token::Error, message, serverName);
}

void TokenWriter::message(
    std::uint8_t token, const SqlMessage &message, std::u16string_view serverName)
{
    // The token's own length field is 16 bits: keep the text well inside it.
    const std::u16string text = TextCodec::toUtf16(message.text);
    const std::u16string_view shortened = TextCodec::truncated(text, 8000);
    m_out.u8(token);
    const std::size_t lengthAt = m_out.size();
    m_out.u16le(0);
    m_out.u32le(static_cast<std::uint32_t>(message.number));
    m_out.u8(message.state);
    m_out.u8(message.severity);
    m_out.usVarChar(shortened);
    m_out.bVarChar(serverName);
    m_out.bVarChar(u"");
    m_out.u32le(1);
    m_out.patchU16le(lengthAt, static_cast<std::uint16_t>(m_out.size() - lengthAt - 2));
}

void TokenWriter::done(std::uint16_t status, std::uint16_t curCmd, std::uint64_t rowCount)
{
    m_out.u8(Token::Done);
    m_out.u16le(status);
    m_out.u16le(curCmd);
    m_out.u64le(rowCount);
}

void TokenWriter::doneProc(std::uint16_t status, std::uint64_t rowCount)
{
    m_out.u8(Token::DoneProc);
    m_out.u16le(status);
    m_out.u16le(0x00E0);
    m_out.u64le(rowCount);
}

void TokenWriter::doneInProc(std::uint16_t status, std::uint16_t curCmd, std::uint64_t rowCount)
{
    m_out.u8(Token::DoneInProc);
    m_out.u16le(status);
    m_out.u16le(curCmd);
    m_out.u64le(rowCount);
}

void TokenWriter::returnStatus(std::int32_t status)
{
    m_out.u8(Token::ReturnStatus);
    m_out.u32le(static_cast<std::uint32_t>(status));
}

void TokenWriter::returnValue(std::uint16_t ordinal, std::u16string_view name, std::int32_t value)
{
    m_out.u8(Token::ReturnValue);
    m_out.u16le(ordinal);
    m_out.bVarChar(name);
    m_out.u8(0x01); // an output parameter's value
    m_out.u32le(0); // user type
    m_out.u16le(kNullableUnknownUpdatable);
    typeInfo(ColumnType::Int);
    integerValue(ColumnType::Int, value);
}

void TokenWriter::columnMetadata(const std::vector<ColumnDescription> &columns)
{
    m_out.u8(Token::ColMetadata);
    m_out.u16le(static_cast<std::uint16_t>(columns.size()));
    for (const ColumnDescription &column : columns) {
        m_out.u32le(0);
        m_out.u16le(kNullableUnknownUpdatable);
        typeInfo(column.type);
        m_out.bVarChar(column.name);
    }
}

void TokenWriter::typeInfo(ColumnType type)
{
    switch (type) {
    case ColumnType::SmallInt:
    case ColumnType::Int:
    case ColumnType::BigInt:
        m_out.u8(TdsType::IntN);
        m_out.u8(integerSize(type));
        return;
    case ColumnType::Float:
        m_out.u8(TdsType::FloatN);
        m_out.u8(8);
        return;
    case ColumnType::DateTime:
        m_out.u8(TdsType::DateTimeN);
        m_out.u8(8);
        return;
    case ColumnType::NVarChar:
        m_out.u8(TdsType::NVarChar);
        m_out.u16le(static_cast<std::uint16_t>(kMaxNVarCharUnits * 2));
        m_out.bytes(collation());
        return;
    }
}

void TokenWriter::rowStart()
{
    m_out.u8(Token::Row);
}

void TokenWriter::integerValue(ColumnType type, std::int64_t value)
{
    // Written in place: a ladder's result sends tens of millions of these.
    const std::uint8_t size = integerSize(type);
    std::uint8_t *cell = m_out.extend(size + 1u);
    cell[0] = size;
    const auto bits = static_cast<std::uint64_t>(value);
    for (std::uint8_t i = 0; i < size; ++i)
        cell[i + 1u] = static_cast<std::uint8_t>(bits >> (8 * i));
}

void TokenWriter::floatValue(double value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    m_out.u8(8);
    m_out.u64le(bits);
}

void TokenWriter::dateTimeValue(const SqlDateTime &value)
{
    m_out.u8(8);
    m_out.u32le(static_cast<std::uint32_t>(value.days));
    m_out.u32le(value.ticks);
}

void TokenWriter::textValue(std::u16string_view value)
{
    const std::u16string_view fitting = TextCodec::truncated(value, kMaxNVarCharUnits);
    m_out.u16le(static_cast<std::uint16_t>(fitting.size() * 2));
    m_out.utf16(fitting);
}

void TokenWriter::nullValue(ColumnType type)
{
    if (type == ColumnType::NVarChar)
        m_out.u16le(0xFFFF);
    else
        m_out.u8(0);
}

} // namespace tovik::sampleserver

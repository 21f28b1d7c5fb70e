#pragma once

#include "ByteWriter.h"
#include "ColumnType.h"
#include "SqlDateTime.h"
#include "SqlMessage.h"

#include <string>
#include <vector>

namespace tovik::sampleserver {

struct ColumnDescription
{
    std::u16string name;
    ColumnType type = ColumnType::NVarChar;
};

namespace DoneStatus {
constexpr std::uint16_t Final = 0x0000;
constexpr std::uint16_t More = 0x0001;
constexpr std::uint16_t Error = 0x0002;
constexpr std::uint16_t Count = 0x0010;
constexpr std::uint16_t Attention = 0x0020;
} // namespace DoneStatus

enum class EnvChange : std::uint8_t {
    Database = 1,
    Language = 2,
    PacketSize = 4,
    Collation = 7,
    BeginTransaction = 8,
    CommitTransaction = 9,
    RollbackTransaction = 10,
};

// Writes the tokens of a tabular result (the reply stream of TDS 7.2 to 7.4).
class TokenWriter
{
public:
    static constexpr std::size_t kMaxNVarCharUnits = 4000;
    static constexpr std::uint16_t kCurCmdSelect = 0xC1;

    explicit TokenWriter(ByteWriter &out)
        : m_out(out)
    {
    }

    void loginAck(
        std::uint32_t tdsVersion, std::u16string_view programName, std::uint32_t programVersion);
    // A security token of an integrated login's exchange.
    void sspi(ByteView token);
    void envChange(EnvChange type, std::u16string_view newValue, std::u16string_view oldValue);
    void envChangeBytes(EnvChange type, ByteView newValue, ByteView oldValue);
    void info(const SqlMessage &message, std::u16string_view serverName);
    void error(const SqlMessage &message, std::u16string_view serverName);
    void done(std::uint16_t status, std::uint16_t curCmd, std::uint64_t rowCount);
    void doneProc(std::uint16_t status, std::uint64_t rowCount);
    void doneInProc(std::uint16_t status, std::uint16_t curCmd, std::uint64_t rowCount);
    void returnStatus(std::int32_t status);
    void returnValue(std::uint16_t ordinal, std::u16string_view name, std::int32_t value);
    void columnMetadata(const std::vector<ColumnDescription> &columns);
    void rowStart();
    void integerValue(ColumnType type, std::int64_t value);
    void floatValue(double value);
    void dateTimeValue(const SqlDateTime &value);
    // Texts longer than NVARCHAR(4000) are cut to fit.
    void textValue(std::u16string_view value);
    void nullValue(ColumnType type);

    static const Bytes &collation();

private:
    void message(std::uint8_t token, const SqlMessage &message, std::u16string_view serverName);
    void typeInfo(ColumnType type);

    ByteWriter &m_out;
};

} // namespace tovik::sampleserver

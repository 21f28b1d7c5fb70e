#include "RequestParser.h"

#include "ByteReader.h"
#include "TextCodec.h"

#include <array>

namespace tovik::sampleserver {

namespace {

constexpr std::uint8_t kPreloginEncryption = 0x01;
constexpr std::uint8_t kPreloginTerminator = 0xFF;
constexpr std::size_t kLogin7FixedSize = 36;
constexpr std::uint8_t kIntegratedSecurity = 0x80;
constexpr std::size_t kClientIdSize = 6;
// cbSSPI of 0xFFFF says the length is in cbSSPILong, the last field of the TDS 7.2+ header.
constexpr std::uint16_t kSspiLengthElsewhere = 0xFFFF;
constexpr std::size_t kSspiLongAt = 90;

struct Login7Field
{
    std::size_t offset;
    std::size_t characters;
};

std::optional<Login7Field> readField(ByteReader &reader)
{
    const auto offset = reader.u16le();
    const auto characters = reader.u16le();
    if (!offset || !characters)
        return std::nullopt;
    return Login7Field {*offset, *characters};
}

std::optional<ByteView> fieldBytes(ByteView payload, const Login7Field &field)
{
    const std::size_t length = field.characters * 2;
    if (field.offset > payload.size() || length > payload.size() - field.offset)
        return std::nullopt;
    return payload.subspan(field.offset, length);
}

std::optional<std::string> fieldText(ByteView payload, const Login7Field &field)
{
    const auto bytes = fieldBytes(payload, field);
    if (!bytes)
        return std::nullopt;
    const auto text = TextCodec::fromUtf16Le(*bytes);
    if (!text)
        return std::nullopt;
    return TextCodec::toUtf8(*text);
}

std::optional<std::string> readText(ByteReader &reader, std::size_t characters)
{
    const auto bytes = reader.bytes(characters * 2);
    if (!bytes)
        return std::nullopt;
    const auto text = TextCodec::fromUtf16Le(*bytes);
    if (!text)
        return std::nullopt;
    return TextCodec::toUtf8(*text);
}

// The security token of an integrated login; the reader stands after the nine text fields.
std::optional<ByteView> readSspi(ByteView payload, ByteReader &reader)
{
    if (!reader.skip(kClientIdSize))
        return std::nullopt;
    const auto offset = reader.u16le();
    const auto shortLength = reader.u16le();
    if (!offset || !shortLength)
        return std::nullopt;
    std::size_t length = *shortLength;
    if (*shortLength == kSspiLengthElsewhere) {
        if (!reader.seek(kSspiLongAt))
            return std::nullopt;
        const auto longLength = reader.u32le();
        if (!longLength)
            return std::nullopt;
        length = *longLength;
    }
    if (*offset > payload.size() || length > payload.size() - *offset)
        return std::nullopt;
    return payload.subspan(*offset, length);
}

} // namespace

std::optional<PreloginRequest> RequestParser::parsePrelogin(ByteView payload)
{
    ByteReader reader(payload);
    PreloginRequest request;
    while (true) {
        const auto token = reader.u8();
        if (!token)
            return std::nullopt;
        if (*token == kPreloginTerminator)
            return request;
        const auto offset = reader.u16be();
        const auto length = reader.u16be();
        if (!offset || !length || *offset > payload.size() || *length > payload.size() - *offset)
            return std::nullopt;
        if (*token == kPreloginEncryption && *length >= 1)
            request.encryption = payload[*offset];
    }
}

std::optional<Login7Request> RequestParser::parseLogin7(ByteView payload)
{
    ByteReader reader(payload);
    const auto length = reader.u32le();
    const auto version = reader.u32le();
    const auto packetSize = reader.u32le();
    if (!length || !version || !packetSize || !reader.skip(13))
        return std::nullopt;
    const auto optionFlags2 = reader.u8();
    if (!optionFlags2 || !reader.seek(kLogin7FixedSize))
        return std::nullopt;
    std::array<Login7Field, 9> fields {};
    for (Login7Field &field : fields) {
        const auto read = readField(reader);
        if (!read)
            return std::nullopt;
        field = *read;
    }
    Login7Request request;
    request.tdsVersion = *version;
    request.packetSize = *packetSize;
    request.integratedSecurity = (*optionFlags2 & kIntegratedSecurity) != 0;
    std::array<std::string *, 9> targets {&request.hostName, &request.userName, nullptr,
        &request.appName, &request.serverName, nullptr, &request.libraryName, &request.language,
        &request.database};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (!targets[i])
            continue;
        const auto text = fieldText(payload, fields[i]);
        if (!text)
            return std::nullopt;
        *targets[i] = *text;
    }
    const auto password = fieldBytes(payload, fields[2]);
    if (!password)
        return std::nullopt;
    request.password = deobfuscatePassword(*password);
    const auto sspi = readSspi(payload, reader);
    if (!sspi)
        return std::nullopt;
    request.sspi.assign(sspi->begin(), sspi->end());
    return request;
}

std::string RequestParser::deobfuscatePassword(ByteView bytes)
{
    Bytes plain(bytes.begin(), bytes.end());
    for (std::uint8_t &byte : plain) {
        byte ^= 0xA5;
        byte = static_cast<std::uint8_t>((byte << 4) | (byte >> 4));
    }
    const auto text = TextCodec::fromUtf16Le(plain);
    return text ? TextCodec::toUtf8(*text) : std::string();
}

std::optional<ByteView> RequestParser::skipAllHeaders(ByteView payload)
{
    ByteReader reader(payload);
    const auto total = reader.u32le();
    if (!total || *total < 4 || *total > payload.size())
        return std::nullopt;
    return payload.subspan(*total);
}

std::optional<SqlBatchRequest> RequestParser::parseSqlBatch(ByteView payload)
{
    const auto body = skipAllHeaders(payload);
    if (!body)
        return std::nullopt;
    const auto text = TextCodec::fromUtf16Le(*body);
    if (!text)
        return std::nullopt;
    return SqlBatchRequest {TextCodec::toUtf8(*text)};
}

std::optional<RpcRequest> RequestParser::parseRpc(ByteView payload)
{
    const auto body = skipAllHeaders(payload);
    if (!body)
        return std::nullopt;
    ByteReader reader(*body);
    const auto nameLength = reader.u16le();
    if (!nameLength)
        return std::nullopt;
    RpcRequest request;
    if (*nameLength == 0xFFFF) {
        const auto id = reader.u16le();
        if (!id)
            return std::nullopt;
        request.procedure = procedureName(*id);
    } else {
        const auto name = readText(reader, *nameLength);
        if (!name)
            return std::nullopt;
        request.procedure = *name;
    }
    if (!reader.u16le()) // option flags
        return std::nullopt;
    readParameters(reader, request);
    return request;
}

void RequestParser::readParameters(ByteReader &reader, RpcRequest &request)
{
    constexpr std::uint8_t kBatchFlag = 0x80;
    constexpr std::uint8_t kNoExecFlag = 0xFF;
    while (reader.remaining() > 0) {
        // One procedure per request: a separator and what follows are left unanswered.
        const std::size_t at = reader.position();
        const auto next = reader.u8();
        if (!next || *next == kBatchFlag || *next == kNoExecFlag)
            return;
        reader.seek(at);
        auto parameter = RpcParameter::read(reader);
        if (!parameter) {
            request.parametersRead = false;
            return;
        }
        request.parameters.push_back(std::move(*parameter));
    }
}

std::string RequestParser::procedureName(std::uint16_t procedureId)
{
    static const std::array<const char *, 16> kNames {"", "sp_cursor", "sp_cursoropen",
        "sp_cursorprepare", "sp_cursorexecute", "sp_cursorprepexec", "sp_cursorunprepare",
        "sp_cursorfetch", "sp_cursoroption", "sp_cursorclose", "sp_executesql", "sp_prepare",
        "sp_execute", "sp_prepexec", "sp_prepexecrpc", "sp_unprepare"};
    if (procedureId > 0 && procedureId < kNames.size())
        return kNames[procedureId];
    return "procedure id " + std::to_string(procedureId);
}

std::optional<TransactionRequest> RequestParser::parseTransaction(ByteView payload)
{
    const auto body = skipAllHeaders(payload);
    if (!body)
        return std::nullopt;
    ByteReader reader(*body);
    const auto type = reader.u16le();
    if (!type)
        return std::nullopt;
    TransactionRequest request;
    switch (*type) {
    case 5:
        request.kind = TransactionRequestKind::Begin;
        return request;
    case 7:
    case 8: {
        request.kind
            = *type == 7 ? TransactionRequestKind::Commit : TransactionRequestKind::Rollback;
        const auto nameLength = reader.u8();
        if (!nameLength || !reader.skip(*nameLength * 2u))
            return std::nullopt;
        const auto flags = reader.u8();
        request.beginsNext = flags && (*flags & 0x01);
        return request;
    }
    default:
        return request;
    }
}

} // namespace tovik::sampleserver

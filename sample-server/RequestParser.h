#pragma once

#include "Bytes.h"
#include "RpcParameter.h"

#include <optional>
#include <string>
#include <vector>

namespace tovik::sampleserver {

struct PreloginRequest
{
    std::optional<std::uint8_t> encryption;
};

struct Login7Request
{
    std::uint32_t tdsVersion = 0;
    std::uint32_t packetSize = 0;
    bool integratedSecurity = false;
    std::string hostName;
    std::string userName;
    std::string password;
    std::string appName;
    std::string serverName;
    std::string libraryName;
    std::string language;
    std::string database;
    // The first GSSAPI/SSPI token of an integrated login.
    Bytes sspi;
};

struct SqlBatchRequest
{
    std::string text;
};

struct RpcRequest
{
    // The name a client calls the procedure by, or the well-known name of its procedure id.
    std::string procedure;
    std::vector<RpcParameter> parameters;
    // False when a parameter could not be read (malformed, or of a type not supported).
    bool parametersRead = true;
};

enum class TransactionRequestKind { Begin, Commit, Rollback, Other };

struct TransactionRequest
{
    TransactionRequestKind kind = TransactionRequestKind::Other;
    // Commit and rollback may ask to begin the next transaction at once.
    bool beginsNext = false;
};

// Decodes request payloads (packet headers already removed). Every function takes bytes only and
// returns nothing for a malformed request, so that they can be fed arbitrary input.
class RequestParser
{
public:
    static std::optional<PreloginRequest> parsePrelogin(ByteView payload);
    static std::optional<Login7Request> parseLogin7(ByteView payload);
    static std::optional<SqlBatchRequest> parseSqlBatch(ByteView payload);
    static std::optional<RpcRequest> parseRpc(ByteView payload);
    static std::optional<TransactionRequest> parseTransaction(ByteView payload);
    static bool parseAttention(ByteView payload) { return payload.empty(); }

    static std::string deobfuscatePassword(ByteView bytes);
    static std::string procedureName(std::uint16_t procedureId);

private:
    static std::optional<ByteView> skipAllHeaders(ByteView payload);
    static void readParameters(ByteReader &reader, RpcRequest &request);
};

} // namespace tovik::sampleserver

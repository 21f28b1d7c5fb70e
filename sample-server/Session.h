#pragma once

#include "DatabaseCatalog.h"
#include "EncryptionNegotiation.h"
#include "KerberosAcceptor.h"
#include "LoginLanguage.h"
#include "PacketWriter.h"
#include "RequestLog.h"
#include "RequestParser.h"
#include "ServeOptions.h"
#include "SessionDatabase.h"
#include "SqlTranslator.h"
#include "TdsMessage.h"
#include "TokenWriter.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace tovik::sampleserver {

// The protocol state of one client connection: PRELOGIN, LOGIN7, then SQL batches, RPCs and
// transaction requests on the session's database. Works on whole request messages and writes
// whole replies, with no socket of its own. Every request gets an answer, an error if nothing
// else, so that no client is left waiting.
class Session
{
public:
    using CancelProbe = std::function<bool()>;
    static constexpr std::size_t kDefaultPacketSize = 4096;

    Session(const ServeOptions &options, const DatabaseCatalog &catalog, RequestLog &log,
        std::uint16_t spid);

    // Answers one request; false when the connection is to be closed after the reply.
    bool handle(const TdsMessage &message, PacketWriter &reply, const CancelProbe &cancelRequested);
    void acknowledgeAttention(PacketWriter &reply);
    // The connection made a TLS handshake before any TDS (TDS 8.0).
    void useStrictEncryption() { m_encryption = EncryptionMode::Strict; }

    // What the PRELOGIN exchange settled on (None before it).
    EncryptionMode encryption() const { return m_encryption; }
    std::size_t packetSize() const { return m_packetSize; }
    std::uint16_t spid() const { return m_spid; }

private:
    enum class State { Prelogin, Login, Authenticating, LoggedIn };

    bool handleBeforeLogin(const TdsMessage &message, PacketWriter &reply);
    bool handlePrelogin(const TdsMessage &message, PacketWriter &reply);
    EncryptionNegotiation::ServerSetting encryptionSetting() const;
    bool handleLogin(const TdsMessage &message, PacketWriter &reply);
    bool completeLogin(const Login7Request &login, PacketWriter &reply);
    std::optional<SqlMessage> loginRefusal(const Login7Request &login) const;
    bool beginIntegratedLogin(const Login7Request &login, PacketWriter &reply);
    bool answerSecurityToken(ByteView token, PacketWriter &reply);
    bool acceptsPrincipal(const std::string &principal) const;
    bool refuseLogin(PacketWriter &reply, const std::vector<SqlMessage> &errors);
    bool acceptsCredentials(const Login7Request &login) const;
    void writeLoginAck(const Login7Request &login, PacketWriter &reply);
    LoginLanguage languageFor(const Login7Request &login) const;
    TranslationContext translationContext() const;
    void handleBatch(const TdsMessage &message, PacketWriter &reply, const CancelProbe &cancel);
    // Inside a procedure the results end in DONEINPROC and a failure in DONEPROC.
    enum class Scope { Batch, Procedure };
    // False when the statements failed or were cancelled (the reply is then complete).
    bool runStatements(const TranslatedBatch &batch, PacketWriter &reply, const CancelProbe &cancel,
        const SessionDatabase::Bindings &bindings = {}, Scope scope = Scope::Batch);
    void useDatabase(const std::string &name, PacketWriter &reply);
    void handleRpc(const TdsMessage &message, PacketWriter &reply, const CancelProbe &cancel);
    struct PreparedCall
    {
        std::string declarations; // "@P1 int,@P2 datetime"
        std::string statement;
    };
    void callPrepared(const PreparedCall &call, std::span<const RpcParameter> values,
        PacketWriter &reply, const CancelProbe &cancel, std::optional<std::int32_t> handle);
    void prepareCall(
        const RpcRequest &request, PacketWriter &reply, const CancelProbe &cancel, bool execute);
    void executePrepared(const RpcRequest &request, PacketWriter &reply, const CancelProbe &cancel);
    void unprepare(const RpcRequest &request, PacketWriter &reply);
    void writeProcedureEnd(PacketWriter &reply, std::optional<std::int32_t> handle);
    void writeProcedureFailure(PacketWriter &reply, const SqlMessage &message);
    void handleTransaction(const TdsMessage &message, PacketWriter &reply);
    void handleUnsupported(const TdsMessage &message, PacketWriter &reply);
    void writeFailure(PacketWriter &reply, const SqlMessage &message);
    void writeTransactionStart(TokenWriter &tokens);
    void writeDatabaseChange(
        TokenWriter &tokens, const std::string &newName, const std::string &oldName);

    const ServeOptions &m_options;
    const DatabaseCatalog &m_catalog;
    RequestLog &m_log;
    std::uint16_t m_spid;
    std::u16string m_serverName;
    State m_state = State::Prelogin;
    EncryptionMode m_encryption = EncryptionMode::None;
    std::size_t m_packetSize = kDefaultPacketSize;
    std::unique_ptr<SessionDatabase> m_database;
    std::uint64_t m_transaction = 0;
    std::uint64_t m_nextTransaction = 1;
    LoginLanguage m_language = LoginLanguage::usEnglish();
    std::map<std::int32_t, PreparedCall> m_prepared;
    std::int32_t m_nextHandle = 1;
    // During an integrated login's exchange: the GSSAPI context and the LOGIN7 it answers.
    std::unique_ptr<KerberosAcceptor> m_acceptor;
    std::optional<Login7Request> m_pendingLogin;
};

} // namespace tovik::sampleserver

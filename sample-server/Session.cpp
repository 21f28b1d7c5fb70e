#include "Session.h"

#include "PreloginReply.h"
#include "ResultSetEncoder.h"
#include "TextCodec.h"

namespace tovik::sampleserver {

namespace {

constexpr std::uint32_t kOldestTdsVersion = 0x72090002;
constexpr std::uint32_t kProgramVersion = 0x10000FA0; // 16.0.4000
constexpr std::u16string_view kProgramName = u"Microsoft SQL Server";
constexpr std::size_t kMinPacketSize = 512;
constexpr std::size_t kMaxPacketSize = 32767;

SqlMessage loginFailed(const std::string &user)
{
    return {18456, 14, "Login failed for user '" + user + "'."};
}

std::string packetTypeName(PacketType type)
{
    switch (type) {
    case PacketType::SqlBatch:
        return "SQL_BATCH";
    case PacketType::Rpc:
        return "RPC";
    case PacketType::Attention:
        return "ATTENTION";
    case PacketType::TransactionManager:
        return "TRANSACTION";
    case PacketType::Login7:
        return "LOGIN7";
    case PacketType::Prelogin:
        return "PRELOGIN";
    default:
        return "PACKET_0x" + std::to_string(static_cast<int>(type));
    }
}

Bytes descriptor(std::uint64_t transaction)
{
    ByteWriter out;
    out.u64le(transaction);
    return out.take();
}

std::u16string utf16(const std::string &text)
{
    return TextCodec::toUtf16(text);
}

} // namespace

Session::Session(const ServeOptions &options, const DatabaseCatalog &catalog, RequestLog &log,
    std::uint16_t spid)
    : m_options(options)
    , m_catalog(catalog)
    , m_log(log)
    , m_spid(spid)
    , m_serverName(TextCodec::toUtf16(options.instance))
{
}

bool Session::handle(
    const TdsMessage &message, PacketWriter &reply, const CancelProbe &cancelRequested)
{
    if (m_state != State::LoggedIn)
        return handleBeforeLogin(message, reply);
    switch (message.type) {
    case PacketType::SqlBatch:
        handleBatch(message, reply, cancelRequested);
        break;
    case PacketType::Rpc:
        handleRpc(message, reply);
        break;
    case PacketType::TransactionManager:
        handleTransaction(message, reply);
        break;
    case PacketType::Attention:
        m_log.write(m_spid, "ATTENTION",
            RequestParser::parseAttention(message.payload) ? "" : "with a payload");
        acknowledgeAttention(reply);
        break;
    default:
        handleUnsupported(message, reply);
        break;
    }
    return !reply.transportFailed();
}

void Session::acknowledgeAttention(PacketWriter &reply)
{
    TokenWriter(reply.body()).done(DoneStatus::Attention, 0, 0);
}

bool Session::handleBeforeLogin(const TdsMessage &message, PacketWriter &reply)
{
    if (message.type == PacketType::Prelogin && m_state == State::Prelogin)
        return handlePrelogin(message, reply);
    if (message.type == PacketType::Login7)
        return handleLogin(message, reply);
    m_log.write(m_spid, packetTypeName(message.type), "before login: connection closed");
    return false;
}

bool Session::handlePrelogin(const TdsMessage &message, PacketWriter &reply)
{
    m_log.write(m_spid, "PRELOGIN");
    if (!RequestParser::parsePrelogin(message.payload))
        return false;
    PreloginReply::write(reply.body());
    m_state = State::Login;
    return true;
}

bool Session::handleLogin(const TdsMessage &message, PacketWriter &reply)
{
    const auto login = RequestParser::parseLogin7(message.payload);
    if (!login) {
        m_log.write(m_spid, "LOGIN7", "malformed");
        return refuseLogin(reply, {loginFailed("")});
    }
    m_log.write(m_spid, "LOGIN7",
        "user=" + login->userName + " database=" + login->database
            + " language=" + login->language);
    if (auto refusal = loginRefusal(*login))
        return refuseLogin(reply, {*refusal});
    const std::string databaseName = login->database.empty() ? "master" : login->database;
    const auto entry = m_catalog.find(databaseName);
    auto database = std::make_unique<SessionDatabase>();
    if (!entry || database->open(*entry)) {
        const SqlMessage cannotOpen {4060, 11,
            "Cannot open database \"" + databaseName
                + "\" requested by the login. The login failed."};
        return refuseLogin(reply, {cannotOpen, loginFailed(login->userName)});
    }
    m_database = std::move(database);
    m_language = languageFor(*login);
    writeLoginAck(*login, reply);
    m_state = State::LoggedIn;
    return true;
}

std::optional<SqlMessage> Session::loginRefusal(const Login7Request &login) const
{
    if (login.integratedSecurity) {
        return SqlMessage {18452, 14,
            "Login failed. The login is from an untrusted domain and cannot be used with "
            "Integrated authentication. This server accepts SQL Server logins only."};
    }
    if (login.tdsVersion < kOldestTdsVersion)
        return SqlMessage {18456, 14, "This server speaks TDS 7.2 to 7.4 only."};
    if (!acceptsCredentials(login))
        return loginFailed(login.userName);
    return std::nullopt;
}

bool Session::refuseLogin(PacketWriter &reply, const std::vector<SqlMessage> &errors)
{
    TokenWriter tokens(reply.body());
    for (const SqlMessage &error : errors)
        tokens.error(error, m_serverName);
    tokens.done(DoneStatus::Error, 0, 0);
    return false;
}

bool Session::acceptsCredentials(const Login7Request &login) const
{
    for (const auto &[user, password] : m_options.logins) {
        if (TextCodec::equalsIgnoringCase(user, login.userName) && password == login.password)
            return true;
    }
    return false;
}

void Session::writeLoginAck(const Login7Request &login, PacketWriter &reply)
{
    TokenWriter tokens(reply.body());
    writeDatabaseChange(tokens, m_database->name(), "master");
    tokens.envChangeBytes(EnvChange::Collation, TokenWriter::collation(), {});
    tokens.envChange(EnvChange::Language, utf16(m_language.name), u"");
    tokens.info({5703, 0, "Changed language setting to " + m_language.name + "."}, m_serverName);
    tokens.loginAck(login.tdsVersion, kProgramName, kProgramVersion);
    const bool sizeAcceptable
        = login.packetSize >= kMinPacketSize && login.packetSize <= kMaxPacketSize;
    const std::size_t negotiated = sizeAcceptable ? login.packetSize : kDefaultPacketSize;
    tokens.envChange(EnvChange::PacketSize, TextCodec::fromAscii(std::to_string(negotiated)),
        TextCodec::fromAscii(std::to_string(kDefaultPacketSize)));
    tokens.done(DoneStatus::Final, 0, 0);
    // The new size applies from the message after the login reply on.
    m_packetSize = negotiated;
}

// An empty language field asks for the login's default, which is the server's here; a language
// the server lacks leaves the default too.
LoginLanguage Session::languageFor(const Login7Request &login) const
{
    if (const auto asked = LoginLanguage::find(login.language))
        return *asked;
    return LoginLanguage::find(m_options.defaultLanguage).value_or(LoginLanguage::usEnglish());
}

TranslationContext Session::translationContext() const
{
    const SessionDatabase *database = m_database.get();
    return {m_language.dateOrder,
        [database](std::string_view name) { return database->isDateTimeColumn(name); }};
}

void Session::writeDatabaseChange(
    TokenWriter &tokens, const std::string &newName, const std::string &oldName)
{
    tokens.envChange(EnvChange::Database, utf16(newName), utf16(oldName));
    tokens.info({5701, 0, "Changed database context to '" + newName + "'."}, m_serverName);
}

void Session::handleBatch(const TdsMessage &message, PacketWriter &reply, const CancelProbe &cancel)
{
    const auto request = RequestParser::parseSqlBatch(message.payload);
    if (!request) {
        m_log.write(m_spid, "SQL_BATCH", "malformed");
        return writeFailure(reply, {4002, 16, "The SQL batch request is malformed."});
    }
    m_log.write(m_spid, "SQL_BATCH", request->text);
    const TranslatedBatch batch = SqlTranslator::translate(request->text, translationContext());
    if (batch.error)
        return writeFailure(reply, *batch.error);
    switch (batch.kind) {
    case BatchKind::Empty:
    case BatchKind::SetOptions:
        return TokenWriter(reply.body()).done(DoneStatus::Final, 0, 0);
    case BatchKind::ProcedureCall:
        return writeFailure(
            reply, {2812, 16, "Could not find stored procedure '" + batch.name + "'."});
    case BatchKind::UseDatabase:
        return useDatabase(batch.name, reply);
    case BatchKind::Statements:
        if (batch.readsDatabaseList)
            m_database->refreshDatabaseList(m_catalog.names());
        return runStatements(batch.sql, reply, cancel);
    }
}

void Session::runStatements(const std::string &sql, PacketWriter &reply, const CancelProbe &cancel)
{
    m_database->setCancelProbe(cancel);
    m_database->resetCancel();
    std::string_view rest = sql;
    auto current = m_database->prepare(rest);
    if (current.error)
        return writeFailure(reply, *current.error);
    TokenWriter tokens(reply.body());
    if (!current.statement)
        return tokens.done(DoneStatus::Final, 0, 0);
    while (current.statement) {
        ResultSetEncoder encoder(*m_database, current.statement.get(), reply);
        const auto outcome = encoder.run();
        if (outcome.status == ResultSetEncoder::Status::Cancelled) {
            reply.discardUnsent();
            return acknowledgeAttention(reply);
        }
        if (outcome.status == ResultSetEncoder::Status::Failed)
            return writeFailure(reply, outcome.error);
        auto next = m_database->prepare(rest);
        const bool more = next.statement || next.error;
        const std::uint16_t status
            = (more ? DoneStatus::More : 0) | (outcome.hasColumns ? DoneStatus::Count : 0);
        tokens.done(status, outcome.hasColumns ? TokenWriter::kCurCmdSelect : 0, outcome.rows);
        if (next.error)
            return writeFailure(reply, *next.error);
        current = std::move(next);
    }
}

void Session::useDatabase(const std::string &name, PacketWriter &reply)
{
    const auto entry = m_catalog.find(name);
    auto database = std::make_unique<SessionDatabase>();
    if (!entry || database->open(*entry)) {
        return writeFailure(reply,
            {911, 16,
                "Database '" + name
                    + "' does not exist. Make sure that the name is entered "
                      "correctly."});
    }
    TokenWriter tokens(reply.body());
    writeDatabaseChange(tokens, database->name(), m_database->name());
    m_database = std::move(database);
    tokens.done(DoneStatus::Final, 0, 0);
}

void Session::handleRpc(const TdsMessage &message, PacketWriter &reply)
{
    const auto request = RequestParser::parseRpc(message.payload);
    const std::string name = request ? request->procedure : std::string("(malformed)");
    m_log.write(m_spid, "RPC", name);
    TokenWriter tokens(reply.body());
    tokens.error(
        {2812, 16,
            "Could not find stored procedure '" + name
                + "'. This server answers SQL batches only; remote procedure calls are not "
                  "supported."},
        m_serverName);
    tokens.doneProc(DoneStatus::Error, 0);
}

void Session::handleTransaction(const TdsMessage &message, PacketWriter &reply)
{
    const auto request = RequestParser::parseTransaction(message.payload);
    if (!request || request->kind == TransactionRequestKind::Other) {
        m_log.write(m_spid, "TRANSACTION", "unsupported");
        return writeFailure(
            reply, {4002, 16, "This transaction manager request is not supported."});
    }
    TokenWriter tokens(reply.body());
    if (request->kind == TransactionRequestKind::Begin) {
        m_log.write(m_spid, "TRANSACTION", "begin");
        writeTransactionStart(tokens);
    } else {
        const bool commit = request->kind == TransactionRequestKind::Commit;
        m_log.write(m_spid, "TRANSACTION", commit ? "commit" : "rollback");
        tokens.envChangeBytes(
            commit ? EnvChange::CommitTransaction : EnvChange::RollbackTransaction, {},
            descriptor(m_transaction));
        m_transaction = 0;
        if (request->beginsNext)
            writeTransactionStart(tokens);
    }
    tokens.done(DoneStatus::Final, 0, 0);
}

void Session::writeTransactionStart(TokenWriter &tokens)
{
    m_transaction = m_nextTransaction++;
    tokens.envChangeBytes(EnvChange::BeginTransaction, descriptor(m_transaction), {});
}

void Session::handleUnsupported(const TdsMessage &message, PacketWriter &reply)
{
    const std::string name = packetTypeName(message.type);
    m_log.write(m_spid, name, "unsupported");
    writeFailure(reply, {4002, 16, "This server does not support " + name + " requests."});
}

void Session::writeFailure(PacketWriter &reply, const SqlMessage &message)
{
    TokenWriter tokens(reply.body());
    tokens.error(message, m_serverName);
    tokens.done(DoneStatus::Error, 0, 0);
}

} // namespace tovik::sampleserver

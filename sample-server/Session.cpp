#include "Session.h"

#include "PreloginReply.h"
#include "ResultSetEncoder.h"
#include "TextCodec.h"

#include <algorithm>

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

SqlMessage untrustedDomain(const std::string &addition)
{
    return {18452, 14,
        "Login failed. The login is from an untrusted domain and cannot be used with Integrated "
        "authentication."
            + addition};
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

// A procedure's name without the schema a client may put before it.
std::string procedureKey(const std::string &name)
{
    std::string key = TextCodec::lowerAscii(name);
    for (std::string_view schema : {"sys.", "dbo."}) {
        if (key.starts_with(schema))
            key.erase(0, schema.size());
    }
    return key;
}

std::string parameterText(const RpcParameter &parameter)
{
    const auto *text = std::get_if<std::string>(&parameter.value);
    return text ? *text : std::string();
}

// The names in a parameter declaration such as "@P1 int,@P2 decimal(10,2) OUTPUT".
std::vector<std::string> declaredParameters(std::string_view declarations)
{
    std::vector<std::string> names;
    int depth = 0;
    bool expectName = true;
    std::string current;
    for (char c : declarations) {
        depth += c == '(' ? 1 : c == ')' ? -1 : 0;
        if (c == ',' && depth == 0) {
            if (!current.empty())
                names.push_back(current);
            current.clear();
            expectName = true;
            continue;
        }
        const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
        if (expectName && !blank) {
            current.push_back(c);
        } else if (expectName && !current.empty()) {
            names.push_back(current);
            current.clear();
            expectName = false;
        }
    }
    if (!current.empty())
        names.push_back(current);
    return names;
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
        handleRpc(message, reply, cancelRequested);
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
    if (message.type == PacketType::Sspi && m_state == State::Authenticating)
        return answerSecurityToken(message.payload, reply);
    m_log.write(m_spid, packetTypeName(message.type), "before login: connection closed");
    return false;
}

bool Session::handlePrelogin(const TdsMessage &message, PacketWriter &reply)
{
    const auto request = RequestParser::parsePrelogin(message.payload);
    if (!request) {
        m_log.write(m_spid, "PRELOGIN", "malformed: connection closed");
        return false;
    }
    const auto outcome = m_encryption == EncryptionMode::Strict
        ? EncryptionNegotiation::strict()
        : EncryptionNegotiation::answer(request->encryption, encryptionSetting());
    m_encryption = outcome.mode;
    m_log.write(m_spid, "PRELOGIN", "encryption=" + EncryptionNegotiation::name(outcome.mode));
    PreloginReply::write(reply.body(), outcome.reply);
    m_state = State::Login;
    return outcome.mode != EncryptionMode::Refused;
}

EncryptionNegotiation::ServerSetting Session::encryptionSetting() const
{
    using Setting = EncryptionNegotiation::ServerSetting;
    if (m_options.certificatePath.empty())
        return Setting::Unavailable;
    return m_options.forceEncryption ? Setting::Required : Setting::Available;
}

bool Session::handleLogin(const TdsMessage &message, PacketWriter &reply)
{
    const auto login = RequestParser::parseLogin7(message.payload);
    if (!login) {
        m_log.write(m_spid, "LOGIN7", "malformed");
        return refuseLogin(reply, {loginFailed("")});
    }
    const std::string who = login->integratedSecurity ? "integrated" : "user=" + login->userName;
    m_log.write(
        m_spid, "LOGIN7", who + " database=" + login->database + " language=" + login->language);
    if (auto refusal = loginRefusal(*login))
        return refuseLogin(reply, {*refusal});
    if (login->integratedSecurity)
        return beginIntegratedLogin(*login, reply);
    return completeLogin(*login, reply);
}

bool Session::completeLogin(const Login7Request &login, PacketWriter &reply)
{
    const std::string databaseName = login.database.empty() ? "master" : login.database;
    const auto entry = m_catalog.find(databaseName);
    auto database = std::make_unique<SessionDatabase>();
    if (!entry || database->open(*entry)) {
        const SqlMessage cannotOpen {4060, 11,
            "Cannot open database \"" + databaseName
                + "\" requested by the login. The login failed."};
        return refuseLogin(reply, {cannotOpen, loginFailed(login.userName)});
    }
    m_database = std::move(database);
    m_language = languageFor(login);
    writeLoginAck(login, reply);
    m_state = State::LoggedIn;
    return true;
}

std::optional<SqlMessage> Session::loginRefusal(const Login7Request &login) const
{
    if (login.integratedSecurity && m_options.kerberosKeytab.empty())
        return untrustedDomain(" This server accepts SQL Server logins only.");
    if (login.tdsVersion < kOldestTdsVersion)
        return SqlMessage {18456, 14, "This server speaks TDS 7.2 to 7.4 only."};
    if (!login.integratedSecurity && !acceptsCredentials(login))
        return loginFailed(login.userName);
    return std::nullopt;
}

bool Session::beginIntegratedLogin(const Login7Request &login, PacketWriter &reply)
{
    m_acceptor = std::make_unique<KerberosAcceptor>(m_options.kerberosKeytab);
    m_pendingLogin = login;
    return answerSecurityToken(login.sspi, reply);
}

// One step of the GSSAPI exchange: the LOGIN7's token first, then each SSPI message's, until
// the context is complete and the login is answered.
bool Session::answerSecurityToken(ByteView token, PacketWriter &reply)
{
    const KerberosAcceptor::Step step = m_acceptor->accept(token);
    if (step.outcome == KerberosAcceptor::Outcome::Failed) {
        m_log.write(m_spid, "SSPI", "refused: " + step.text);
        return refuseLogin(reply, {untrustedDomain("")});
    }
    if (step.outcome == KerberosAcceptor::Outcome::Continue) {
        m_log.write(m_spid, "SSPI", "continued");
        TokenWriter(reply.body()).sspi(step.reply);
        m_state = State::Authenticating;
        return true;
    }
    Login7Request login = *m_pendingLogin;
    login.userName = step.text;
    m_acceptor.reset();
    m_pendingLogin.reset();
    if (!acceptsPrincipal(login.userName)) {
        m_log.write(m_spid, "SSPI", "principal=" + login.userName + " refused: no such login");
        return refuseLogin(reply, {untrustedDomain("")});
    }
    m_log.write(m_spid, "SSPI", "principal=" + login.userName);
    // A client that asked for mutual authentication reads the server's answer before LOGINACK.
    if (!step.reply.empty())
        TokenWriter(reply.body()).sspi(step.reply);
    return completeLogin(login, reply);
}

bool Session::acceptsPrincipal(const std::string &principal) const
{
    return std::any_of(m_options.windowsLogins.begin(), m_options.windowsLogins.end(),
        [&principal](
            const std::string &name) { return TextCodec::equalsIgnoringCase(name, principal); });
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
        runStatements(batch, reply, cancel);
        return;
    }
}

bool Session::runStatements(const TranslatedBatch &batch, PacketWriter &reply,
    const CancelProbe &cancel, const SessionDatabase::Bindings &bindings, Scope scope)
{
    const auto fail = [&](const SqlMessage &error) {
        scope == Scope::Batch ? writeFailure(reply, error) : writeProcedureFailure(reply, error);
        return false;
    };
    m_database->setCancelProbe(cancel);
    m_database->resetCancel();
    std::string_view rest = batch.sql;
    auto current = m_database->prepare(rest);
    if (current.error)
        return fail(*current.error);
    TokenWriter tokens(reply.body());
    if (!current.statement) {
        if (scope == Scope::Batch)
            tokens.done(DoneStatus::Final, 0, 0);
        return true;
    }
    while (current.statement) {
        if (auto error = SessionDatabase::bind(current.statement.get(), bindings))
            return fail(*error);
        ResultSetEncoder encoder(*m_database, current.statement.get(), reply, batch.dateTimeAliases,
            batch.ladderColumns);
        const auto outcome = encoder.run();
        if (outcome.status == ResultSetEncoder::Status::Cancelled) {
            reply.discardUnsent();
            acknowledgeAttention(reply);
            return false;
        }
        if (outcome.status == ResultSetEncoder::Status::Failed)
            return fail(outcome.error);
        auto next = m_database->prepare(rest);
        const bool more = next.statement || next.error || scope == Scope::Procedure;
        const std::uint16_t status
            = (more ? DoneStatus::More : 0) | (outcome.hasColumns ? DoneStatus::Count : 0);
        const std::uint16_t curCmd = outcome.hasColumns ? TokenWriter::kCurCmdSelect : 0;
        if (scope == Scope::Batch)
            tokens.done(status, curCmd, outcome.rows);
        else
            tokens.doneInProc(status, curCmd, outcome.rows);
        if (next.error)
            return fail(*next.error);
        current = std::move(next);
    }
    return true;
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

void Session::handleRpc(const TdsMessage &message, PacketWriter &reply, const CancelProbe &cancel)
{
    const auto request = RequestParser::parseRpc(message.payload);
    const std::string name = request ? request->procedure : std::string("(malformed)");
    std::string detail = name;
    if (request) {
        for (const RpcParameter &parameter : request->parameters) {
            detail += ' ';
            detail += parameter.logText();
        }
    }
    m_log.write(m_spid, "RPC", detail);
    const std::string procedure = procedureKey(name);
    const bool implemented = procedure == "sp_executesql" || procedure == "sp_prepexec"
        || procedure == "sp_prepare" || procedure == "sp_execute" || procedure == "sp_unprepare";
    if (request && implemented && !request->parametersRead) {
        return writeProcedureFailure(reply,
            {8016, 16,
                "The incoming tabular data stream (TDS) remote procedure call (RPC) "
                "protocol stream is incorrect. A parameter's type or value is not "
                "supported by this server."});
    }
    if (request && procedure == "sp_executesql") {
        const auto &values = request->parameters;
        if (values.empty()) {
            return writeProcedureFailure(reply,
                {201, 16,
                    "Procedure or function 'sp_executesql' expects parameter '@statement', which "
                    "was not supplied."});
        }
        const std::string statement = values.empty() ? std::string() : parameterText(values[0]);
        const std::string declarations
            = values.size() < 2 ? std::string() : parameterText(values[1]);
        return callPrepared({declarations, statement},
            std::span(values).subspan(std::min<std::size_t>(2, values.size())), reply, cancel,
            std::nullopt);
    }
    if (request && (procedure == "sp_prepexec" || procedure == "sp_prepare"))
        return prepareCall(*request, reply, cancel, procedure == "sp_prepexec");
    if (request && procedure == "sp_execute")
        return executePrepared(*request, reply, cancel);
    if (request && procedure == "sp_unprepare")
        return unprepare(*request, reply);
    writeProcedureFailure(reply,
        {2812, 16,
            "Could not find stored procedure '" + name
                + "'. This server answers SQL batches, sp_executesql and prepared statements "
                  "only."});
}

void Session::prepareCall(
    const RpcRequest &request, PacketWriter &reply, const CancelProbe &cancel, bool execute)
{
    const auto &values = request.parameters;
    if (values.size() < 3) {
        return writeProcedureFailure(reply,
            {201, 16,
                "Procedure or function '" + request.procedure
                    + "' expects parameter '@stmt', which was not supplied."});
    }
    const std::int32_t handle = m_nextHandle++;
    PreparedCall call {parameterText(values[1]), parameterText(values[2])};
    m_prepared[handle] = call;
    if (!execute)
        return writeProcedureEnd(reply, handle);
    callPrepared(call, std::span(values).subspan(3), reply, cancel, handle);
}

void Session::executePrepared(
    const RpcRequest &request, PacketWriter &reply, const CancelProbe &cancel)
{
    const auto &values = request.parameters;
    const auto *handle = values.empty() ? nullptr : std::get_if<std::int64_t>(&values[0].value);
    const auto found
        = handle ? m_prepared.find(static_cast<std::int32_t>(*handle)) : m_prepared.end();
    if (found == m_prepared.end()) {
        return writeProcedureFailure(reply,
            {8179, 16,
                "Could not find prepared statement with handle "
                    + (handle ? std::to_string(*handle) : std::string("NULL")) + "."});
    }
    callPrepared(found->second, std::span(values).subspan(1), reply, cancel, std::nullopt);
}

void Session::unprepare(const RpcRequest &request, PacketWriter &reply)
{
    const auto &values = request.parameters;
    if (const auto *handle = values.empty() ? nullptr : std::get_if<std::int64_t>(&values[0].value))
        m_prepared.erase(static_cast<std::int32_t>(*handle));
    writeProcedureEnd(reply, std::nullopt);
}

void Session::callPrepared(const PreparedCall &call, std::span<const RpcParameter> values,
    PacketWriter &reply, const CancelProbe &cancel, std::optional<std::int32_t> handle)
{
    const std::vector<std::string> declared = declaredParameters(call.declarations);
    SessionDatabase::Bindings bindings;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::string name = !values[i].name.empty() ? values[i].name
            : i < declared.size()                        ? declared[i]
                                                         : std::string();
        bindings.emplace_back(name, values[i].value);
    }
    for (const std::string &name : declared) {
        const bool supplied
            = std::any_of(bindings.begin(), bindings.end(), [&name](const auto &binding) {
                  return TextCodec::equalsIgnoringCase(binding.first, name);
              });
        if (!supplied) {
            return writeProcedureFailure(reply,
                {8178, 16,
                    "The parameterized query '(" + call.declarations + ")" + call.statement
                        + "' expects the parameter '" + name + "', which was not supplied."});
        }
    }
    const TranslatedBatch batch = SqlTranslator::translate(call.statement, translationContext());
    if (batch.error)
        return writeProcedureFailure(reply, *batch.error);
    if (batch.kind != BatchKind::Statements && batch.kind != BatchKind::Empty) {
        return writeProcedureFailure(reply,
            {102, 15,
                "This server runs queries only inside sp_executesql and prepared statements."});
    }
    if (batch.readsDatabaseList)
        m_database->refreshDatabaseList(m_catalog.names());
    if (runStatements(batch, reply, cancel, bindings, Scope::Procedure))
        writeProcedureEnd(reply, handle);
}

void Session::writeProcedureEnd(PacketWriter &reply, std::optional<std::int32_t> handle)
{
    TokenWriter tokens(reply.body());
    tokens.returnStatus(0);
    if (handle)
        tokens.returnValue(0, u"@handle", *handle);
    tokens.doneProc(DoneStatus::Final, 0);
}

void Session::writeProcedureFailure(PacketWriter &reply, const SqlMessage &message)
{
    TokenWriter tokens(reply.body());
    tokens.error(message, m_serverName);
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

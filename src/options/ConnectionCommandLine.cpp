#include "options/ConnectionCommandLine.h"

#include "common/IntegerConversion.h"
#include "db/ConnectionDefaults.h"
#include "options/OptionText.h"

#include <QFile>
#include <QFileInfo>

namespace tovik {

namespace {

QString valueOr(const QCommandLineParser &parser, const QString &name, const QString &base)
{
    return parser.isSet(name) ? parser.value(name) : base;
}

} // namespace

void ConnectionCommandLine::addOptions(QCommandLineParser &parser, const ConnectionChoice &base)
{
    const ConnectionFields &fields = base.fields;
    parser.addOptions({
        OptionText::option({"auth"}, "Authentication: windows, local or remote.",
            "windows|local|remote", ConnectionDefaults::authWordOf(fields.SqlConnType)),
        OptionText::option(
            {"server"}, "Server: host or host\\instance.", "TEXT", fields.SqlDbServer),
        OptionText::option(
            {"port"}, "TCP port of the server (SQL authentication).", "N", fields.SqlDbPort),
        OptionText::option({"database"}, "Monitoring database.", "NAME", fields.SqlDatabase),
        OptionText::option({"user"}, "User name (SQL authentication).", "NAME", fields.SqlDbUser),
        OptionText::option({"password-file"},
            "File whose first line is the password; it wins over " + passwordVariable + ".",
            "FILE"),
        OptionText::option({"login-timeout"}, "Login timeout of each connection.", "SECONDS",
            QString::number(base.loginTimeoutSeconds)),
    });
    addSecurityOptions(parser, base.security);
}

void ConnectionCommandLine::addSecurityOptions(
    QCommandLineParser &parser, const ConnectionSecurity &base)
{
    parser.addOptions({
        OptionText::option({"encrypt"},
            "Encryption: optional (what the server asks for, certificate unchecked), mandatory "
            "(the whole connection, certificate checked) or strict (TDS 8.0).",
            "optional|mandatory|strict", ConnectionSecurity::wordOf(base.encryption)),
        OptionText::option(
            {"trust-server-certificate"}, "Encrypt without checking the server's certificate."),
        OptionText::option({"ca-file"},
            "Certificate authorities to check the server's certificate against (default: the "
            "system's).",
            "FILE", base.caFile),
        OptionText::option({"host-name-in-certificate"},
            "Name the server's certificate must carry (default: the server's host name).", "NAME",
            base.hostNameInCertificate),
    });
}

std::optional<ConnectionChoice> ConnectionCommandLine::read(
    const QCommandLineParser &parser, const ConnectionChoice &base, QString *failure)
{
    ConnectionChoice choice = base;
    const auto type = readConnType(parser, base.fields.SqlConnType, failure);
    if (!type)
        return std::nullopt;
    choice.fields.SqlConnType = *type;
    choice.fields.SqlDbServer = valueOr(parser, QStringLiteral("server"), base.fields.SqlDbServer);
    const auto port = readPort(parser, base.fields.SqlDbPort, failure);
    if (!port)
        return std::nullopt;
    choice.fields.SqlDbPort = *port;
    choice.fields.SqlDatabase
        = valueOr(parser, QStringLiteral("database"), base.fields.SqlDatabase);
    choice.fields.SqlDbUser = valueOr(parser, QStringLiteral("user"), base.fields.SqlDbUser);
    if (parser.isSet(QStringLiteral("login-timeout"))) {
        const QString text = parser.value(QStringLiteral("login-timeout"));
        const auto seconds = IntegerConversion::toInt32(text);
        if (!seconds || *seconds < 0) {
            *failure = QStringLiteral("--login-timeout takes whole seconds from 0 on, not '%1'")
                           .arg(text);
            return std::nullopt;
        }
        choice.loginTimeoutSeconds = *seconds;
    }
    const auto security = readSecurity(parser, base.security, failure);
    if (!security)
        return std::nullopt;
    choice.security = *security;
    const auto pass = readPassword(parser.value(QStringLiteral("password-file")), failure);
    if (!pass)
        return std::nullopt;
    choice.fields.SqlDbPass = *pass;
    return choice;
}

std::optional<ConnectionSecurity> ConnectionCommandLine::readSecurity(
    const QCommandLineParser &parser, const ConnectionSecurity &base, QString *failure)
{
    ConnectionSecurity security = base;
    if (parser.isSet(QStringLiteral("encrypt"))) {
        const QString word = parser.value(QStringLiteral("encrypt"));
        const auto mode = ConnectionSecurity::modeOf(word);
        if (!mode) {
            *failure = QStringLiteral("--encrypt takes %1, not '%2'")
                           .arg(ConnectionSecurity::modeWords().join(QStringLiteral(", ")), word);
            return std::nullopt;
        }
        security.encryption = *mode;
    }
    security.hostNameInCertificate
        = valueOr(parser, QStringLiteral("host-name-in-certificate"), base.hostNameInCertificate);
    const bool trust = parser.isSet(QStringLiteral("trust-server-certificate"));
    const bool caGiven = parser.isSet(QStringLiteral("ca-file"));
    if (trust && caGiven) {
        *failure = QStringLiteral("--trust-server-certificate and --ca-file exclude each other: "
                                  "a trusted certificate is not checked");
        return std::nullopt;
    }
    // Either one given replaces the other where base remembered it.
    if (trust) {
        security.trustServerCertificate = true;
        security.caFile.clear();
    }
    if (caGiven) {
        const QFileInfo caFile(parser.value(QStringLiteral("ca-file")));
        if (!caFile.isFile() || !caFile.isReadable()) {
            *failure = QStringLiteral("the CA file %1 cannot be read").arg(caFile.filePath());
            return std::nullopt;
        }
        security.caFile = caFile.absoluteFilePath();
        security.trustServerCertificate = false;
    }
    return security;
}

QString ConnectionCommandLine::notice(
    const QCommandLineParser &parser, const ConnectionChoice &choice)
{
    QStringList lines;
    // Only remote SQL authentication puts the port into the connection string.
    if (parser.isSet(QStringLiteral("port")) && choice.fields.authMode() != AuthMode::RemoteSql) {
        lines << QStringLiteral("--port is ignored: %1 connects to the server as --server names "
                                "it, without a port")
                     .arg(choice.fields.SqlConnType);
    }
    if (!choice.security.checksCertificate()) {
        const QString reason = choice.security.encryption == EncryptionMode::Optional
            ? QStringLiteral("optional encryption does not check the server's certificate")
            : QStringLiteral("--trust-server-certificate does not check the server's certificate");
        for (const char *name : {"ca-file", "host-name-in-certificate"}) {
            if (parser.isSet(QLatin1String(name)))
                lines << QStringLiteral("--%1 is ignored: %2").arg(QLatin1String(name), reason);
        }
    }
    return lines.join(u'\n');
}

std::optional<QString> ConnectionCommandLine::readPort(
    const QCommandLineParser &parser, const QString &base, QString *failure)
{
    if (!parser.isSet(QStringLiteral("port")))
        return base;
    const QString text = parser.value(QStringLiteral("port"));
    const auto port = OptionText::wholeNumber(text, kFirstPort, kLastPort);
    if (!port) {
        *failure = QStringLiteral("--port takes %1 to %2, not '%3'")
                       .arg(kFirstPort)
                       .arg(kLastPort)
                       .arg(text);
        return std::nullopt;
    }
    return QString::number(*port);
}

std::optional<QString> ConnectionCommandLine::readConnType(
    const QCommandLineParser &parser, const QString &base, QString *failure)
{
    if (!parser.isSet(QStringLiteral("auth")))
        return base;
    const QString auth = parser.value(QStringLiteral("auth"));
    const auto type = ConnectionDefaults::authOfWord(auth);
    if (!type)
        *failure = QStringLiteral("--auth takes windows, local or remote, not '%1'").arg(auth);
    return type;
}

bool ConnectionCommandLine::readableByOthers(const QFile &file)
{
#ifdef Q_OS_UNIX
    return file.permissions().testFlag(QFileDevice::ReadOther);
#else
    Q_UNUSED(file);
    return false;
#endif
}

std::optional<QString> ConnectionCommandLine::readPassword(const QString &path, QString *failure)
{
    if (path.isEmpty())
        return qEnvironmentVariable(qPrintable(passwordVariable));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *failure = QStringLiteral("the password file %1 cannot be read: %2")
                       .arg(path, file.errorString());
        return std::nullopt;
    }
    if (readableByOthers(file)) {
        *failure = QStringLiteral("the password file %1 can be read by other users; make it "
                                  "private with chmod 600 %1")
                       .arg(path);
        return std::nullopt;
    }
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

} // namespace tovik

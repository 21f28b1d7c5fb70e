#include "db/EncryptionDiagnosis.h"

#include "db/OdbcConnectionString.h"
#include "db/PreloginChannel.h"
#include "db/ServerEndpoint.h"
#include "db/SqlBrowserLookup.h"

#ifdef TOVIK_HAS_OPENSSL
#include "db/TlsCertificateCheck.h"
#endif

namespace tovik {

namespace {

constexpr int kMsPerSecond = 1000;

std::optional<quint16> tcpPort(const ServerEndpoint &endpoint, int waitMs)
{
    if (!endpoint.instance.isEmpty())
        return SqlBrowserLookup::tcpPort(endpoint.host, endpoint.instance, waitMs);
    bool ok = false;
    const quint16 port = endpoint.port.toUShort(&ok);
    return ok && port != 0 ? std::optional(port) : std::nullopt;
}

QString certificateFailure(
    PreloginChannel &channel, const ConnectionSecurity &security, const QString &serverName)
{
#ifdef TOVIK_HAS_OPENSSL
    return TlsCertificateCheck::failure(channel, security, serverName);
#else
    Q_UNUSED(channel)
    Q_UNUSED(security)
    Q_UNUSED(serverName)
    return {};
#endif
}

} // namespace

QString EncryptionDiagnosis::cause(
    const ConnectionFields &fields, const ConnectionSecurity &security, int waitSeconds)
{
    // A connection the program refused before the driver saw it (a check the driver cannot make)
    // never reached the server: there is nothing to ask it.
    QString refusal;
    if (security.encryption != EncryptionMode::Mandatory
        || !OdbcConnectionString::prepare(fields, {}, 0, security, &refusal))
        return {};
    const int waitMs = waitSeconds * kMsPerSecond;
    const ServerEndpoint endpoint = ServerEndpoint::of(fields);
    const std::optional<quint16> port = tcpPort(endpoint, waitMs);
    PreloginChannel channel(waitMs);
    if (!port || !channel.open(endpoint.host, *port))
        return {};
    const auto offered = channel.offerEncryption();
    if (offered == PreloginChannel::Encryption::NotSupported)
        return QStringLiteral("the server offers no encryption");
    if (!offered || !security.checksCertificate())
        return {};
    const QString serverName
        = security.hostNameInCertificate.isEmpty() ? endpoint.host : security.hostNameInCertificate;
    return certificateFailure(channel, security, serverName);
}

} // namespace tovik

#include "options/ConnectionFailureText.h"

#include "db/ConnectionDefaults.h"
#include "db/ConnectionTimeouts.h"
#include "db/EncryptionDiagnosis.h"
#include "db/ServerEndpoint.h"
#include "options/KerberosProbe.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace tovik {

namespace {

QString authName(const ConnectionFields &fields)
{
    const auto mode = fields.authMode();
    const QString name
        = mode ? ConnectionDefaults::authChoices().at(int(*mode)) : fields.SqlConnType;
    if (mode == AuthMode::Windows) {
        const QString holder = KerberosProbe::ticketHolder();
        return holder.isEmpty() ? name : QStringLiteral("%1 as %2").arg(name, holder);
    }
    return QStringLiteral("%1 as %2").arg(name, fields.SqlDbUser);
}

QString kerberosHint(const ConnectionFields &fields)
{
    if (fields.authMode() != AuthMode::Windows)
        return {};
    if (ConnectionFailureText::kerberosTicketMissing()) {
        return QStringLiteral(" (no Kerberos ticket found: Windows Authentication needs one, "
                              "from kinit)");
    }
    // The driver's text for a ticket Kerberos would not give says only that the login failed.
    const QString problem = KerberosProbe::problem(fields);
    return problem.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(problem);
}

} // namespace

QString ConnectionFailureText::describe(const ConnectionFields &fields, const QString &driverText,
    const ConnectionSecurity &security, const QString &cause)
{
    const QString reason
        = cause.isEmpty() ? driverText : QStringLiteral("%1 (%2)").arg(cause, driverText);
    return QStringLiteral("no connection to %1 with %2%3%4: %5")
        .arg(target(fields), authName(fields), kerberosHint(fields), protection(security), reason);
}

QString ConnectionFailureText::diagnose(const ConnectionFields &fields, const QString &driverText,
    const ConnectionSecurity &security, int waitSeconds)
{
    const int wait = waitSeconds > 0 ? waitSeconds : ConnectionTimeouts::kDefaultLoginSeconds;
    return describe(
        fields, driverText, security, EncryptionDiagnosis::cause(fields, security, wait));
}

QString ConnectionFailureText::protection(const ConnectionSecurity &security)
{
    if (security.encryption == EncryptionMode::Optional)
        return {};
    const QString mode = ConnectionSecurity::wordOf(security.encryption);
    if (!security.checksCertificate())
        return QStringLiteral(", %1 encryption with the certificate trusted unchecked").arg(mode);
    const QString authorities = security.caFile.isEmpty()
        ? QStringLiteral("the system's certificate authorities")
        : security.caFile;
    const QString name = security.hostNameInCertificate.isEmpty()
        ? QString()
        : QStringLiteral(" for the name %1").arg(security.hostNameInCertificate);
    return QStringLiteral(", %1 encryption with the certificate checked against %2%3")
        .arg(mode, authorities, name);
}

QString ConnectionFailureText::target(const ConnectionFields &fields)
{
    const ServerEndpoint endpoint = ServerEndpoint::of(fields);
    if (endpoint.instance.isEmpty())
        return endpoint.host + u':' + endpoint.port;
    return QStringLiteral("%1\\%2 through the SQL Server Browser on UDP %3")
        .arg(endpoint.host, endpoint.instance)
        .arg(ServerEndpoint::kBrowserPort);
}

bool ConnectionFailureText::kerberosTicketMissing()
{
#ifdef Q_OS_UNIX
    QString cache = qEnvironmentVariable("KRB5CCNAME");
    if (cache.isEmpty())
        cache = QStringLiteral("/tmp/krb5cc_%1").arg(::getuid());
    if (cache.startsWith(QLatin1String("FILE:")))
        cache = cache.mid(5);
    else if (!cache.startsWith(u'/'))
        return false;
    return !QFileInfo::exists(cache);
#else
    return false;
#endif
}

} // namespace tovik

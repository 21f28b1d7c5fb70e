#include "db/OdbcConnectionString.h"

#include "db/FreeTdsServerSection.h"
#include "db/OdbcDriverCatalog.h"

namespace tovik {

namespace {

struct Field
{
    QString label;
    QString value;
};

// FreeTDS reads a braced value up to the first "}", so a "}" inside it cannot be sent intact.
std::optional<QString> valueFreeTdsCannotTake(const QList<Field> &fields)
{
    for (const Field &field : fields) {
        if (field.value.contains(u'}'))
            return field.label;
    }
    return std::nullopt;
}

const QString driver18 = QStringLiteral("ODBC Driver 18 for SQL Server");

bool isDriver18(const QString &driver)
{
    return driver.startsWith(QLatin1String("ODBC Driver 18"), Qt::CaseInsensitive);
}

std::optional<QString> refuse(QString *failure, const QString &reason)
{
    *failure = reason;
    return std::nullopt;
}

// FreeTDS knows encryption only as "request" and "require"; its certificate check goes through
// FreeTdsServerSection.
std::optional<QString> freeTdsEncryption(const ConnectionSecurity &security, QString *failure)
{
    switch (security.encryption) {
    case EncryptionMode::Optional:
        return QStringLiteral(";Encryption=request");
    case EncryptionMode::Mandatory:
        return QStringLiteral(";Encryption=require");
    case EncryptionMode::Strict:
        break;
    }
    return refuse(failure,
        QStringLiteral("Strict encryption (TDS 8.0) needs a driver that supports it; the FreeTDS "
                       "driver (1.3) does not. %1 does.")
            .arg(driver18));
}

// ";KEY={value}", or nothing for an empty value.
QString keyIfGiven(const QString &key, const QString &value)
{
    if (value.isEmpty())
        return {};
    return u';' + key + u'=' + OdbcConnectionString::quoted(value);
}

std::optional<QString> driver18Encryption(const ConnectionSecurity &security, QString *failure)
{
    switch (security.encryption) {
    case EncryptionMode::Optional:
        // Driver 18 checks the certificate of a server that forces encryption even when asked not
        // to encrypt; the window and optional never check it.
        return QStringLiteral(";Encrypt=no;TrustServerCertificate=yes");
    case EncryptionMode::Mandatory: {
        if (!security.checksCertificate())
            return QStringLiteral(";Encrypt=yes;TrustServerCertificate=yes");
        if (!security.caFile.isEmpty()) {
            return refuse(failure,
                QStringLiteral("%1 checks a mandatory connection against the system's certificate "
                               "authorities only; a CA file needs strict encryption.")
                    .arg(driver18));
        }
        return QStringLiteral(";Encrypt=yes")
            + keyIfGiven(QStringLiteral("HostNameInCertificate"), security.hostNameInCertificate);
    }
    case EncryptionMode::Strict:
        break;
    }
    if (security.trustServerCertificate) {
        return refuse(failure,
            QStringLiteral("%1 always checks the certificate of a strict connection; it cannot "
                           "trust it unchecked.")
                .arg(driver18));
    }
    return QStringLiteral(";Encrypt=strict")
        + keyIfGiven(QStringLiteral("HostNameInCertificate"), security.hostNameInCertificate)
        + keyIfGiven(QStringLiteral("ServerCertificate"), security.caFile);
}

// ODBC Driver 17 and older encrypt on "Encrypt=yes" and check against the system's authorities.
std::optional<QString> olderDriverEncryption(
    const QString &driver, const ConnectionSecurity &security, QString *failure)
{
    switch (security.encryption) {
    case EncryptionMode::Optional:
        return QString();
    case EncryptionMode::Mandatory:
        break;
    case EncryptionMode::Strict:
        return refuse(failure,
            QStringLiteral("Strict encryption (TDS 8.0) needs a driver that supports it; %1 does "
                           "not. %2 does.")
                .arg(driver, driver18));
    }
    if (!security.checksCertificate())
        return QStringLiteral(";Encrypt=yes;TrustServerCertificate=yes");
    if (!security.caFile.isEmpty() || !security.hostNameInCertificate.isEmpty()) {
        return refuse(failure,
            QStringLiteral("%1 checks the certificate against the system's certificate "
                           "authorities and the server's own name only; a CA file or another "
                           "name needs %2.")
                .arg(driver, driver18));
    }
    return QStringLiteral(";Encrypt=yes");
}

std::optional<QString> encryptionKeys(
    const QString &driver, const ConnectionSecurity &security, QString *failure)
{
    if (OdbcDriverCatalog::isFreeTds(driver))
        return freeTdsEncryption(security, failure);
    if (isDriver18(driver))
        return driver18Encryption(security, failure);
    return olderDriverEncryption(driver, security, failure);
}

} // namespace

QString OdbcConnectionString::quoted(const QString &value)
{
    QString escaped = value;
    escaped.replace(u'}', QStringLiteral("}}"));
    return u'{' + escaped + u'}';
}

bool OdbcConnectionString::needsFreeTdsSection(
    const QString &driver, const ConnectionSecurity &security)
{
    return OdbcDriverCatalog::isFreeTds(driver) && security.checksCertificate();
}

std::optional<QString> OdbcConnectionString::build(const ConnectionFields &fields,
    const QString &database, const QString &driver, int queryTimeoutSeconds, QString *failure,
    const ConnectionSecurity &security)
{
    const auto mode = fields.authMode();
    if (!mode)
        return QString();

    const bool remote = *mode == AuthMode::RemoteSql;
    const QString server
        = remote ? fields.SqlDbServer + u',' + fields.SqlDbPort : fields.SqlDbServer;
    QList<Field> values {
        {QStringLiteral("Server"), server}, {QStringLiteral("Database"), database}};
    if (*mode != AuthMode::Windows) {
        values << Field {QStringLiteral("User Name"), fields.SqlDbUser}
               << Field {QStringLiteral("Password"), fields.SqlDbPass};
    }

    const bool freeTds = OdbcDriverCatalog::isFreeTds(driver);
    if (freeTds) {
        if (const auto label = valueFreeTdsCannotTake(values)) {
            *failure = QStringLiteral("The %1 field holds the character \"}\", which the FreeTDS "
                                      "ODBC driver cannot receive intact.")
                           .arg(*label);
            return std::nullopt;
        }
    }

    const auto encryption = encryptionKeys(driver, security, failure);
    if (!encryption)
        return std::nullopt;
    // FreeTDS takes a server either from SERVER or, with the certificate check, from the
    // configuration section that SERVERNAME names, never from both.
    const QString serverKey = needsFreeTdsSection(driver, security)
        ? QStringLiteral(";SERVERNAME=") + quoted(FreeTdsServerSection::kName)
        : QStringLiteral(";SERVER=") + quoted(values[0].value);
    QString text = QStringLiteral("DRIVER=") + quoted(driver) + serverKey
        + QStringLiteral(";DATABASE=") + quoted(values[1].value);
    if (*mode == AuthMode::Windows) {
        text += QStringLiteral(";Trusted_Connection=yes");
    } else {
        text += QStringLiteral(";UID=") + quoted(values[2].value) + QStringLiteral(";PWD=")
            + quoted(values[3].value);
    }
    // The counting queries compare DATETIME columns with 'YYYY-MM-DD hh:mm:ss' texts, which
    // SQL Server reads in the login's date format: year-day-month for a dmy login language.
    text += QStringLiteral(";Language=us_english");
    if (freeTds) {
        // With its default version "auto" FreeTDS retries the login in other protocol
        // versions after each login timeout and never gives up on a server that takes the
        // connection but does not answer; a fixed version makes the login timeout final.
        // FreeTDS takes its query timeout from the string, not from the connection attribute.
        // Packets of 16 KiB, one TLS record each, instead of the server's default 4 KiB: a
        // sweep's result of tens of megabytes then takes a quarter of the reads.
        text += QStringLiteral(";ClientCharset=UTF-8;TDS_Version=7.4;Timeout=")
            + QString::number(queryTimeoutSeconds) + QStringLiteral(";PacketSize=16384");
    }
    text += *encryption;
    // The string ends with ";" because Qt passes its terminating NUL along with the last value.
    return text + u';';
}

std::optional<OdbcConnectionString::Prepared> OdbcConnectionString::prepare(
    const ConnectionFields &fields, const QString &database, int queryTimeoutSeconds,
    const ConnectionSecurity &security, QString *failure)
{
    const QString driver
        = OdbcDriverCatalog::preferredDriver(OdbcDriverCatalog::installedDrivers());
    if (driver.isEmpty()) {
        *failure = QStringLiteral("No SQL Server ODBC driver is installed (looked for: %1).")
                       .arg(OdbcDriverCatalog::knownDrivers().join(QStringLiteral(", ")));
        return std::nullopt;
    }
    const auto text = build(fields, database, driver, queryTimeoutSeconds, failure, security);
    if (!text)
        return std::nullopt;
    Prepared prepared {*text, {}};
    if (needsFreeTdsSection(driver, security)) {
        const auto section = FreeTdsServerSection::text(fields, security, failure);
        if (!section)
            return std::nullopt;
        prepared.freeTdsSection = *section;
    }
    return prepared;
}

std::optional<QString> OdbcConnectionString::forInstalledDriver(const ConnectionFields &fields,
    const QString &database, int queryTimeoutSeconds, QString *failure)
{
    const auto prepared = prepare(fields, database, queryTimeoutSeconds, {}, failure);
    if (!prepared)
        return std::nullopt;
    return prepared->text;
}

} // namespace tovik

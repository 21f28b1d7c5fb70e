#include "db/OdbcConnectionString.h"

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

} // namespace

QString OdbcConnectionString::quoted(const QString &value)
{
    QString escaped = value;
    escaped.replace(u'}', QStringLiteral("}}"));
    return u'{' + escaped + u'}';
}

std::optional<QString> OdbcConnectionString::build(const ConnectionFields &fields,
    const QString &database, const QString &driver, int queryTimeoutSeconds, QString *failure)
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

    QString text = QStringLiteral("DRIVER=") + quoted(driver) + QStringLiteral(";SERVER=")
        + quoted(values[0].value) + QStringLiteral(";DATABASE=") + quoted(values[1].value);
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
        text += QStringLiteral(";ClientCharset=UTF-8;TDS_Version=7.4;Timeout=")
            + QString::number(queryTimeoutSeconds);
    }
    if (driver.startsWith(QLatin1String("ODBC Driver 18"), Qt::CaseInsensitive)) {
        // Driver 18 encrypts by default; the monitoring servers were always reached without.
        text += QStringLiteral(";Encrypt=no");
    }
    // The string ends with ";" because Qt passes its terminating NUL along with the last value.
    return text + u';';
}

std::optional<QString> OdbcConnectionString::forInstalledDriver(const ConnectionFields &fields,
    const QString &database, int queryTimeoutSeconds, QString *failure)
{
    const QString driver
        = OdbcDriverCatalog::preferredDriver(OdbcDriverCatalog::installedDrivers());
    if (driver.isEmpty()) {
        *failure = QStringLiteral("No SQL Server ODBC driver is installed (looked for: %1).")
                       .arg(OdbcDriverCatalog::knownDrivers().join(QStringLiteral(", ")));
        return std::nullopt;
    }
    return build(fields, database, driver, queryTimeoutSeconds, failure);
}

} // namespace tovik

#include "OdbcStringParser.h"
#include "db/ConnectionFields.h"
#include "db/OdbcConnectionString.h"

#include <QStringList>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

// Input: a byte for the authentication choice, a byte for the driver, then the server, port,
// database, user and password fields as length-prefixed UTF-8 texts.

namespace tovik::test {

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

const QStringList &connTypes()
{
    static const QStringList types {QStringLiteral("Windows Authentication"),
        QStringLiteral("Local SQL Authentication"), QStringLiteral("Remote SQL Authentication"),
        QStringLiteral("remote sql authentication"), QString()};
    return types;
}

const QStringList &drivers()
{
    static const QStringList names {QStringLiteral("FreeTDS"), QStringLiteral("freetds"),
        QStringLiteral("ODBC Driver 18 for SQL Server"),
        QStringLiteral("ODBC Driver 17 for SQL Server")};
    return names;
}

QString takeText(FuzzedDataProvider &input)
{
    const std::string bytes = input.ConsumeRandomLengthString(20000);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

QList<OdbcPair> expectedPairs(const ConnectionFields &fields, const QString &driver, bool freeTds)
{
    const bool remote = fields.SqlConnType == connTypes()[2];
    QList<OdbcPair> pairs {{QStringLiteral("DRIVER"), driver},
        {QStringLiteral("SERVER"),
            remote ? fields.SqlDbServer + u',' + fields.SqlDbPort : fields.SqlDbServer},
        {QStringLiteral("DATABASE"), fields.SqlDatabase}};
    if (fields.SqlConnType == connTypes()[0]) {
        pairs << OdbcPair {QStringLiteral("Trusted_Connection"), QStringLiteral("yes")};
    } else {
        pairs << OdbcPair {QStringLiteral("UID"), fields.SqlDbUser}
              << OdbcPair {QStringLiteral("PWD"), fields.SqlDbPass};
    }
    pairs << OdbcPair {QStringLiteral("Language"), QStringLiteral("us_english")};
    if (freeTds) {
        pairs << OdbcPair {QStringLiteral("ClientCharset"), QStringLiteral("UTF-8")}
              << OdbcPair {QStringLiteral("TDS_Version"), QStringLiteral("7.4")}
              << OdbcPair {QStringLiteral("Timeout"), QStringLiteral("30")}
              << OdbcPair {QStringLiteral("PacketSize"), QStringLiteral("16384")}
              << OdbcPair {QStringLiteral("Encryption"), QStringLiteral("request")};
    }
    // Optional encryption: Driver 18 reaches a server that forces it with any certificate.
    if (driver.startsWith(QLatin1String("ODBC Driver 18")))
        pairs << OdbcPair {QStringLiteral("Encrypt"), QStringLiteral("no")}
              << OdbcPair {QStringLiteral("TrustServerCertificate"), QStringLiteral("yes")};
    return pairs;
}

bool sentValuesHoldBrace(const ConnectionFields &fields)
{
    const bool windows = fields.SqlConnType == connTypes()[0];
    const bool remote = fields.SqlConnType == connTypes()[2];
    return fields.SqlDbServer.contains(u'}') || fields.SqlDatabase.contains(u'}')
        || (remote && fields.SqlDbPort.contains(u'}'))
        || (!windows && (fields.SqlDbUser.contains(u'}') || fields.SqlDbPass.contains(u'}')));
}

void check(const ConnectionFields &fields, const QString &driver)
{
    const bool freeTds = driver.compare(QLatin1String("FreeTDS"), Qt::CaseInsensitive) == 0;
    const bool knownMode = connTypes().indexOf(fields.SqlConnType) < 3;
    QString failure;
    const auto text = OdbcConnectionString::build(fields, fields.SqlDatabase, driver, 30, &failure);
    if (!knownMode) {
        require(text && text->isEmpty());
        return;
    }
    const bool refused = freeTds && sentValuesHoldBrace(fields);
    require(text.has_value() == !refused);
    if (!text) {
        require(failure.contains(QLatin1String("FreeTDS")));
        return;
    }
    const auto pairs = parseOdbcString(*text, freeTds);
    require(pairs.has_value());
    const QList<OdbcPair> expected = expectedPairs(fields, driver, freeTds);
    require(pairs->size() == expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        require((*pairs)[i].key == expected[i].key);
        require((*pairs)[i].value == expected[i].value);
    }
}

} // namespace

} // namespace tovik::test

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace tovik::test;
    FuzzedDataProvider input(data, size);
    tovik::ConnectionFields fields;
    fields.SqlConnType = connTypes()[input.ConsumeIntegralInRange<int>(0, 4)];
    const QString driver = drivers()[input.ConsumeIntegralInRange<int>(0, 3)];
    fields.SqlDbServer = takeText(input);
    fields.SqlDbPort = takeText(input);
    fields.SqlDatabase = takeText(input);
    fields.SqlDbUser = takeText(input);
    fields.SqlDbPass = takeText(input);
    check(fields, driver);
    return 0;
}

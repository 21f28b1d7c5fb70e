#include "testrun/ShownConnectionString.h"

#include "monitoring/SampleStore.h"

namespace tovik {

QString ShownConnectionString::main(const ConnectionFields &fields)
{
    return build(fields, fields.SqlDatabase);
}

QString ShownConnectionString::report(const ConnectionFields &fields, qint32 reportId)
{
    return build(fields, SampleStoreNames::reportDatabase(reportId));
}

QString ShownConnectionString::build(const ConnectionFields &fields, const QString &database)
{
    const auto mode = fields.authMode();
    if (!mode)
        return {};
    const QString login = QStringLiteral(";User Id=") + fields.SqlDbUser
        + QStringLiteral(";Password=") + fields.SqlDbPass;
    switch (*mode) {
    case AuthMode::Windows:
        return QStringLiteral("Provider=SQLOLEDB;Data Source=") + fields.SqlDbServer
            + QStringLiteral(";Initial Catalog=") + database
            + QStringLiteral(";Integrated Security=SSPI");
    case AuthMode::LocalSql:
        return QStringLiteral("Provider=SQLOLEDB;Data Source=") + fields.SqlDbServer
            + QStringLiteral(";Initial Catalog=") + database + login;
    case AuthMode::RemoteSql:
        return QStringLiteral("Provider=SQLOLEDB;Network Library=DBMSSOCN;Data Source=")
            + fields.SqlDbServer + QStringLiteral(",") + fields.SqlDbPort
            + QStringLiteral(";Initial Catalog=") + database + login;
    }
    return {};
}

} // namespace tovik

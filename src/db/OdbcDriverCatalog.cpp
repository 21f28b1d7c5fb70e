#include "db/OdbcDriverCatalog.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

namespace tovik {

QStringList OdbcDriverCatalog::installedDrivers()
{
    QStringList names;
    SQLHENV env = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        return names;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLCHAR description[512];
    SQLCHAR attributes[2048];
    SQLSMALLINT descriptionLength = 0;
    SQLSMALLINT attributesLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDrivers(env, direction, description, sizeof description,
        &descriptionLength, attributes, sizeof attributes, &attributesLength))) {
        names << QString::fromLocal8Bit(reinterpret_cast<const char *>(description));
        direction = SQL_FETCH_NEXT;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return names;
}

QStringList OdbcDriverCatalog::knownDrivers()
{
    QStringList drivers {QStringLiteral("ODBC Driver 18 for SQL Server"),
        QStringLiteral("ODBC Driver 17 for SQL Server"), QStringLiteral("FreeTDS")};
#ifdef Q_OS_WIN
    drivers << QStringLiteral("SQL Server");
#endif
    return drivers;
}

QString OdbcDriverCatalog::preferredDriver(const QStringList &installed)
{
    for (const QString &driver : knownDrivers()) {
        if (installed.contains(driver, Qt::CaseInsensitive))
            return driver;
    }
    return {};
}

bool OdbcDriverCatalog::isFreeTds(const QString &driver)
{
    return driver.compare(QLatin1String("FreeTDS"), Qt::CaseInsensitive) == 0;
}

} // namespace tovik

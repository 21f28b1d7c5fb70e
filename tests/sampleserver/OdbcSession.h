#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariant>
#include <optional>

namespace tovik::test {

// One QODBC connection through FreeTDS, under a connection name of its own, removed again when
// the session ends. Queries are forward-only, as the program runs them.
class OdbcSession
{
public:
    using Rows = QList<QVariantList>;

    OdbcSession(const QString &server, const QString &database = "SNMPCONLINE",
        const QString &user = "sa", const QString &password = QString());
    ~OdbcSession();
    OdbcSession(const OdbcSession &) = delete;
    OdbcSession &operator=(const OdbcSession &) = delete;

    bool open();
    QSqlError openError() const { return m_openError; }
    // All rows of one query, or nothing on failure (then queryError() tells why).
    std::optional<Rows> rows(const QString &sql);
    QSqlError queryError() const { return m_queryError; }
    // The metatype ids of the columns of the last successful query.
    QList<int> columnTypes() const { return m_columnTypes; }
    QSqlDatabase database() const;

    static QString connectionString(const QString &server, const QString &database,
        const QString &user, const QString &password);
    static QString portServer(quint16 port);
    static int nativeCode(const QSqlError &error);

private:
    QString m_name;
    QSqlError m_openError;
    QSqlError m_queryError;
    QList<int> m_columnTypes;
};

} // namespace tovik::test

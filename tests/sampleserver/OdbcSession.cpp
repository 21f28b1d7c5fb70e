#include "OdbcSession.h"

#include <QAtomicInt>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace tovik::test {

namespace {

QString nextConnectionName()
{
    static QAtomicInt counter;
    return QString("sampleserver-test-%1").arg(counter.fetchAndAddRelaxed(1));
}

} // namespace

OdbcSession::OdbcSession(
    const QString &server, const QString &database, const QString &user, const QString &password)
    : m_name(nextConnectionName())
{
    QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", m_name);
    db.setDatabaseName(connectionString(server, database, user, password));
}

OdbcSession::~OdbcSession()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

QString OdbcSession::connectionString(
    const QString &server, const QString &database, const QString &user, const QString &password)
{
    // Qt hands the string over with its terminating NUL, which would end up in the last value:
    // the closing ';' keeps it out of the password.
    return QString("DRIVER={FreeTDS};SERVER=%1;DATABASE=%2;UID=%3;PWD={%4};")
        .arg(server, database, user, password);
}

QString OdbcSession::portServer(quint16 port)
{
    return QString("127.0.0.1,%1").arg(port);
}

int OdbcSession::nativeCode(const QSqlError &error)
{
    // QODBC joins the codes of all diagnostic records with ';', the last being the cause.
    const QStringList codes = error.nativeErrorCode().split(';', Qt::SkipEmptyParts);
    for (const QString &code : codes) {
        bool ok = false;
        const int value = code.trimmed().toInt(&ok);
        if (ok && value != 0)
            return value;
    }
    return 0;
}

QSqlDatabase OdbcSession::database() const
{
    return QSqlDatabase::database(m_name, false);
}

bool OdbcSession::open()
{
    QSqlDatabase db = database();
    const bool ok = db.open();
    m_openError = db.lastError();
    return ok;
}

std::optional<OdbcSession::Rows> OdbcSession::rows(const QString &sql)
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.exec(sql)) {
        m_queryError = query.lastError();
        return std::nullopt;
    }
    m_columnTypes.clear();
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        m_columnTypes << record.field(i).metaType().id();
    Rows rows;
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < record.count(); ++i)
            row << query.value(i);
        rows << row;
    }
    m_queryError = QSqlError();
    return rows;
}

} // namespace tovik::test

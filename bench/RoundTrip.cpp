#include "RoundTrip.h"

#include "OdbcStatement.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace tovik::bench {

namespace {

double microsPerTrip(qint64 nanoseconds, int count)
{
    return double(nanoseconds) / 1000.0 / count;
}

} // namespace

std::optional<double> qtRoundTripMicros(const QSqlDatabase &db, int count, QString *failure)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const QString text = QLatin1String(RoundTripQuery);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        if (!query.exec(text) || !query.next()) {
            *failure = QStringLiteral("the small query failed: ") + query.lastError().text();
            return std::nullopt;
        }
        query.value(0);
        query.next();
    }
    return microsPerTrip(timer.nsecsElapsed(), count);
}

std::optional<double> odbcRoundTripMicros(const QString &odbcString, int count, QString *failure)
{
    OdbcStatement handles;
    if (!handles.connect(odbcString)) {
        *failure = QStringLiteral("the raw ODBC connection failed");
        return std::nullopt;
    }
    QByteArray text(RoundTripQuery);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        if (!handles.roundTrip(reinterpret_cast<SQLCHAR *>(text.data()))) {
            *failure = QStringLiteral("the small query failed through raw ODBC");
            return std::nullopt;
        }
    }
    return microsPerTrip(timer.nsecsElapsed(), count);
}

} // namespace tovik::bench

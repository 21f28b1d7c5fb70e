#include "DirectSqlite.h"
#include "OdbcSession.h"
#include "RawTdsClient.h"
#include "SampleData.h"
#include "SampleServer.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <memory>
#include <sql.h>
#include <sqlext.h>

using namespace tovik::test;

namespace {

const QString kHourStart = "2026-12-07 13:00:00";
const QString kHourEnd = "2026-12-07 14:00:00";
const QString kNodeQuery
    = "SELECT DISTINCT node_id FROM %1 WHERE hist_time >= '%2' AND hist_time < "
      "'%3' AND ProcessorLoad >= '%4'";
const QString kCountQuery = "SELECT COUNT(node_id) FROM %1 WHERE node_id = '%2' AND hist_time >= "
                            "'%3' AND hist_time < '%4' AND ProcessorLoad >= '%5'";
const QString kNodeLookup
    = "SELECT node_name, address, trapcomm FROM ATR_Nodes WHERE node_id = '12'";
constexpr int kRoundTrips = 2000;

QList<QStringList> texts(const OdbcSession::Rows &rows)
{
    return DirectSqlite::texts(rows);
}

QStringList firstColumn(const OdbcSession::Rows &rows)
{
    QStringList values;
    for (const QVariantList &row : rows)
        values << row.value(0).toString();
    return values;
}

SampleServer::Options serverOptions(const QString &dataDir)
{
    SampleServer::Options options;
    options.dataDir = dataDir;
    return options;
}

// Round trips through the ODBC API alone, to separate the driver's cost from Qt's.
double rawOdbcMicroseconds(quint16 port, const QString &sql, int count)
{
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT statement = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    QByteArray connection
        = OdbcSession::connectionString(OdbcSession::portServer(port), "SNMPCONLINE", "sa", "")
              .toUtf8();
    double result = -1;
    if (SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR *>(connection.data()),
            SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT))) {
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &statement);
        QByteArray text = sql.toUtf8();
        QElapsedTimer timer;
        timer.start();
        int succeeded = 0;
        for (int i = 0; i < count; ++i) {
            if (SQL_SUCCEEDED(
                    SQLExecDirect(statement, reinterpret_cast<SQLCHAR *>(text.data()), SQL_NTS))) {
                while (SQLFetch(statement) == SQL_SUCCESS) { }
                ++succeeded;
            }
            SQLCloseCursor(statement);
        }
        if (succeeded == count)
            result = timer.nsecsElapsed() / 1000.0 / count;
        SQLFreeHandle(SQL_HANDLE_STMT, statement);
        SQLDisconnect(dbc);
    }
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return result;
}

// The rows of a prepared query with positional values, or nothing (then *error says why).
std::optional<OdbcSession::Rows> preparedRows(
    OdbcSession &session, const QString &sql, const QVariantList &values, QSqlError *error)
{
    QSqlQuery query(session.database());
    query.setForwardOnly(true);
    if (!query.prepare(sql)) {
        *error = query.lastError();
        return std::nullopt;
    }
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        *error = query.lastError();
        return std::nullopt;
    }
    OdbcSession::Rows rows;
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < query.record().count(); ++i)
            row << query.value(i);
        rows << row;
    }
    return rows;
}

const QString kHourlyQuery
    = "SELECT node_id, DATEADD(hour, DATEDIFF(hour, 0, hist_time), 0), COUNT(*) FROM %1 WHERE "
      "hist_time >= ? AND hist_time < ? AND ProcessorLoad >= ? GROUP BY node_id, "
      "DATEADD(hour, DATEDIFF(hour, 0, hist_time), 0) ORDER BY 2, 1";
// The same count on SQLite's own terms, to check the server's answer against.
const QString kHourlyReference
    = "SELECT node_id, strftime('%Y-%m-%d %H:00:00', hist_time), COUNT(*) FROM %1 WHERE "
      "hist_time >= '%2' AND hist_time < '%3' AND ProcessorLoad >= %4 GROUP BY 1, 2 ORDER BY 2, 1";

} // namespace

class tst_SampleServerOdbc : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void login_data();
    void login();
    void catalogViews_data();
    void catalogViews();
    void readsEveryType_data();
    void readsEveryType();
    void readsDateTimes_data();
    void readsDateTimes();
    void typesOfExpressions_data();
    void typesOfExpressions();
    void keepsDeclaredTypesOfNullColumns();
    void cutsLongTexts();
    void programQueries_data();
    void programQueries();
    void missingObjectsKeepConnection_data();
    void missingObjectsKeepConnection();
    void refusesSqliteForms_data();
    void refusesSqliteForms();
    void acceptsTsqlForms_data();
    void acceptsTsqlForms();
    void sweepQueries_data();
    void sweepQueries();
    void writesAreRefused_data();
    void writesAreRefused();
    void reachesServerByInstanceOrPort_data();
    void reachesServerByInstanceOrPort();
    void servesTwoClientsAtOnce();
    void delaysEveryReply();
    void dropsConnectionAfterRequests();
    void garbageEndsOnlyThatConnection_data();
    void garbageEndsOnlyThatConnection();
    void repeatedSmallQueriesStayCorrect();
    void bindsParameters_data();
    void bindsParameters();
    void hourlyAggregateWithParameters_data();
    void hourlyAggregateWithParameters();
    void countsThresholdRunsAsEachSum_data();
    void countsThresholdRunsAsEachSum();
    void refusesLadderFunctionsInClientText();
    void typesLongResultsByEveryRow();

private:
    QString onlineFile(const QString &name) const { return m_onlineDir + "/" + name + ".sqlite"; }
    QString externalFile(const QString &name) const
    {
        return m_externalDir + "/" + name + ".sqlite";
    }

    QTemporaryDir m_dir;
    QString m_onlineDir;
    QString m_externalDir;
    std::unique_ptr<SampleServer> m_online;
    std::unique_ptr<SampleServer> m_external;
};

void tst_SampleServerOdbc::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_onlineDir = m_dir.filePath("online");
    m_externalDir = m_dir.filePath("external");
    QString error;
    const QStringList common {"--nodes", "25", "--hours", "6", "--end", "2026-12-07 14:30:00"};
    QVERIFY2(generateSampleData(m_onlineDir, QStringList {"--layout", "online"} + common, &error),
        qPrintable(error));
    QVERIFY2(
        generateSampleData(m_externalDir, QStringList {"--layout", "external"} + common, &error),
        qPrintable(error));
    const QString longText = QString(5000, QChar('x'));
    QVERIFY2(createDatabase(m_onlineDir, "TypesDb",
                 {"CREATE TABLE Types (id INTEGER, g INTEGER, i INT, b BIGINT, s SMALLINT, r REAL, "
                  "f FLOAT, "
                  "d DATETIME, t TEXT, v VARCHAR(20), n NVARCHAR(50))",
                     "INSERT INTO Types VALUES (1, 1, 2147483647, 9007199254740993, -32768, 0.25, "
                     "-1234.5678, '2026-12-07 13:45:30', 'Grüße ✓ 日本 😀', 'plain', 'ütf')",
                     "INSERT INTO Types (id) VALUES (2)", "CREATE TABLE Dates (k TEXT, d DATETIME)",
                     "INSERT INTO Dates VALUES ('half second', '2026-12-07 13:45:30.5'), "
                     "('rounds into next day', '2026-12-07 23:59:59.999'), "
                     "('date only', '2026-12-07'), ('T separator', '2026-12-07T08:09:10'), "
                     "('earliest', '1753-01-01 00:00:00')",
                     "CREATE TABLE AllNull (i INTEGER, b BIGINT, r REAL, d DATETIME, t TEXT)",
                     "INSERT INTO AllNull VALUES (NULL, NULL, NULL, NULL, NULL)",
                     "CREATE TABLE LongText (t TEXT)",
                     "INSERT INTO LongText VALUES ('" + longText + "')",
                     "CREATE TABLE Loads (g INTEGER, i INTEGER, f FLOAT, b BIGINT)",
                     "INSERT INTO Loads VALUES (1, 0, 0.0, 9007199254740992), "
                     "(1, 74, 74.5, 9007199254740993), (1, 75, 75.0, 9007199254740994), "
                     "(2, 76, 75.25, -1), (2, NULL, NULL, NULL), (2, 100, 100.0, 0)",
                     "CREATE TABLE Big (k INTEGER, v)",
                     "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < "
                     "12000) INSERT INTO Big SELECT x, CASE WHEN x = 11000 THEN 5000000000 ELSE x "
                     "END FROM c"},
                 &error),
        qPrintable(error));
    SampleServer::Options online = serverOptions(m_onlineDir);
    online.logins = QStringList {"sa:", "monitor:Pa;ss=w0rd"};
    m_online = SampleServer::started(online);
    m_external = SampleServer::started(serverOptions(m_externalDir));
    QVERIFY(m_online);
    QVERIFY(m_external);
}

void tst_SampleServerOdbc::cleanupTestCase()
{
    m_online.reset();
    m_external.reset();
}

void tst_SampleServerOdbc::login_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("database");
    QTest::addColumn<int>("expectedCode");

    QTest::newRow("sa, empty password") << "sa"
                                        << ""
                                        << "SNMPCONLINE" << 0;
    QTest::newRow("second login, password with ; and =") << "monitor"
                                                         << "Pa;ss=w0rd"
                                                         << "SNMPCONLINE" << 0;
    QTest::newRow("login name in other letter case") << "SA"
                                                     << ""
                                                     << "SNMPCONLINE" << 0;
    QTest::newRow("database name in other letter case") << "sa"
                                                        << ""
                                                        << "snmpconline" << 0;
    QTest::newRow("master") << "sa"
                            << ""
                            << "master" << 0;
    QTest::newRow("wrong password") << "sa"
                                    << "secret"
                                    << "SNMPCONLINE" << 18456;
    QTest::newRow("password in other letter case") << "monitor"
                                                   << "pa;ss=w0rd"
                                                   << "SNMPCONLINE" << 18456;
    QTest::newRow("unknown login") << "nobody"
                                   << ""
                                   << "SNMPCONLINE" << 18456;
    QTest::newRow("unknown database") << "sa"
                                      << ""
                                      << "NoSuchDb" << 4060;
}

void tst_SampleServerOdbc::login()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, database);
    QFETCH(int, expectedCode);

    OdbcSession session(OdbcSession::portServer(m_online->port()), database, user, password);
    const bool opened = session.open();
    QCOMPARE(opened, expectedCode == 0);
    if (!opened) {
        const QString codes = session.openError().nativeErrorCode();
        QVERIFY2(codes.split(';').contains(QString::number(expectedCode)), qPrintable(codes));
        // FreeTDS reports the cause first; the login failure that follows it is in the text.
        QVERIFY(
            session.openError().databaseText().contains("Login failed for user '" + user + "'."));
        return;
    }
    const auto rows = session.rows("SELECT COUNT(*) FROM sys.tables");
    QVERIFY2(rows, qPrintable(session.queryError().text()));
    QCOMPARE(rows->size(), 1);
}

void tst_SampleServerOdbc::catalogViews_data()
{
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("expected");

    const auto tables = DirectSqlite::rows(
        onlineFile("SNMPCONLINE"), "SELECT name FROM sqlite_schema WHERE type = 'table'");
    QVERIFY(tables && !tables->isEmpty());
    QStringList tableNames;
    for (const QVariantList &row : *tables)
        tableNames << row.value(0).toString();
    const QStringList databases {"master", "tempdb", "model", "msdb", "SNMPCONLINE", "TypesDb"};

    QTest::newRow("tables of SNMPCONLINE") << "SNMPCONLINE"
                                           << "SELECT name from sys.tables" << tableNames;
    QTest::newRow("tables, view name in capitals") << "SNMPCONLINE"
                                                   << "SELECT name FROM SYS.TABLES" << tableNames;
    QTest::newRow("no user tables in master") << "master"
                                              << "SELECT name from sys.tables" << QStringList();
    QTest::newRow("databases") << "SNMPCONLINE"
                               << "SELECT name from sys.databases" << databases;
    QTest::newRow("databases seen from master") << "master"
                                                << "SELECT name from sys.databases" << databases;
}

void tst_SampleServerOdbc::catalogViews()
{
    QFETCH(QString, database);
    QFETCH(QString, sql);
    QFETCH(QStringList, expected);

    OdbcSession session(OdbcSession::portServer(m_online->port()), database);
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    const auto rows = session.rows(sql);
    QVERIFY2(rows, qPrintable(session.queryError().text()));
    QCOMPARE(firstColumn(*rows), expected);
}

void tst_SampleServerOdbc::readsEveryType_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("expected");
    QTest::addColumn<int>("metaType");

    QTest::newRow("INTEGER") << "g" << QVariant(1) << int(QMetaType::Int);
    QTest::newRow("INT") << "i" << QVariant(2147483647) << int(QMetaType::Int);
    QTest::newRow("BIGINT beyond double precision")
        << "b" << QVariant(Q_INT64_C(9007199254740993)) << int(QMetaType::LongLong);
    QTest::newRow("SMALLINT") << "s" << QVariant(-32768) << int(QMetaType::Short);
    QTest::newRow("REAL") << "r" << QVariant(0.25) << int(QMetaType::Double);
    QTest::newRow("FLOAT") << "f" << QVariant(-1234.5678) << int(QMetaType::Double);
    QTest::newRow("DATETIME") << "d" << QVariant(QDateTime(QDate(2026, 12, 7), QTime(13, 45, 30)))
                              << int(QMetaType::QDateTime);
    QTest::newRow("TEXT beyond the BMP")
        << "t" << QVariant(QString("Grüße ✓ 日本 😀")) << int(QMetaType::QString);
    QTest::newRow("VARCHAR(20)") << "v" << QVariant(QString("plain")) << int(QMetaType::QString);
    QTest::newRow("NVARCHAR(50)") << "n" << QVariant(QString("ütf")) << int(QMetaType::QString);
}

void tst_SampleServerOdbc::readsEveryType()
{
    QFETCH(QString, column);
    QFETCH(QVariant, expected);
    QFETCH(int, metaType);

    OdbcSession session(OdbcSession::portServer(m_online->port()), "TypesDb");
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    const auto rows = session.rows("SELECT " + column + " FROM Types ORDER BY id");
    QVERIFY2(rows, qPrintable(session.queryError().text()));
    QCOMPARE(rows->size(), 2);
    QCOMPARE(session.columnTypes(), QList<int> {metaType});
    QCOMPARE(rows->at(0).at(0), expected);
    QVERIFY(rows->at(1).at(0).isNull());
}

void tst_SampleServerOdbc::readsDateTimes_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QDateTime>("expected");

    QTest::newRow("half second") << "half second"
                                 << QDateTime(QDate(2026, 12, 7), QTime(13, 45, 30, 500));
    QTest::newRow("rounds into next day")
        << "rounds into next day" << QDateTime(QDate(2026, 12, 8), QTime(0, 0));
    QTest::newRow("date only") << "date only" << QDateTime(QDate(2026, 12, 7), QTime(0, 0));
    QTest::newRow("T separator") << "T separator" << QDateTime(QDate(2026, 12, 7), QTime(8, 9, 10));
    QTest::newRow("earliest") << "earliest" << QDateTime(QDate(1753, 1, 1), QTime(0, 0));
}

void tst_SampleServerOdbc::readsDateTimes()
{
    QFETCH(QString, key);
    QFETCH(QDateTime, expected);

    OdbcSession session(OdbcSession::portServer(m_online->port()), "TypesDb");
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    const auto rows = session.rows("SELECT d FROM Dates WHERE k = '" + key + "'");
    QVERIFY2(rows, qPrintable(session.queryError().text()));
    QCOMPARE(rows->size(), 1);
    QCOMPARE(rows->at(0).at(0).toDateTime(), expected);
}

void tst_SampleServerOdbc::typesOfExpressions_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QVariant>("expected");
    QTest::addColumn<int>("metaType");

    QTest::newRow("COUNT") << "COUNT(*)" << QVariant(2) << int(QMetaType::Int);
    QTest::newRow("COUNT with alias") << "COUNT(id) AS n" << QVariant(2) << int(QMetaType::Int);
    QTest::newRow("integer sum") << "SUM(id)" << QVariant(3) << int(QMetaType::Int);
    QTest::newRow("integer beyond int")
        << "3000000000 + MAX(id)" << QVariant(Q_INT64_C(3000000002)) << int(QMetaType::LongLong);
    QTest::newRow("real") << "AVG(id)" << QVariant(1.5) << int(QMetaType::Double);
    QTest::newRow("text") << "COALESCE(MAX(v), 'none')" << QVariant(QString("plain"))
                          << int(QMetaType::QString);
    const QVariant nextDay(QDateTime(QDate(2026, 12, 8), QTime(13, 45, 30)));
    QTest::newRow("DATEADD") << "DATEADD(day, 1, MAX(d))" << nextDay << int(QMetaType::QDateTime);
    QTest::newRow("DATEADD with alias")
        << "DATEADD(day, 1, MAX(d)) AS next_day" << nextDay << int(QMetaType::QDateTime);
    QTest::newRow("DATEADD with bracketed alias without AS")
        << "DATEADD(dd, 1, MAX(d)) [Next Day]" << nextDay << int(QMetaType::QDateTime);
}

void tst_SampleServerOdbc::typesOfExpressions()
{
    QFETCH(QString, expression);
    QFETCH(QVariant, expected);
    QFETCH(int, metaType);

    OdbcSession session(OdbcSession::portServer(m_online->port()), "TypesDb");
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    const auto rows = session.rows("SELECT " + expression + " FROM Types");
    QVERIFY2(rows, qPrintable(session.queryError().text()));
    QCOMPARE(rows->size(), 1);
    QCOMPARE(session.columnTypes(), QList<int> {metaType});
    QCOMPARE(rows->at(0).at(0), expected);
}

void tst_SampleServerOdbc::keepsDeclaredTypesOfNullColumns()
{
    OdbcSession session(OdbcSession::portServer(m_online->port()), "TypesDb");
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    const auto rows = session.rows("SELECT i, b, r, d, t FROM AllNull");
    QVERIFY2(rows, qPrintable(session.queryError().text()));
    QCOMPARE(session.columnTypes(),
        (QList<int> {QMetaType::Int, QMetaType::LongLong, QMetaType::Double, QMetaType::QDateTime,
            QMetaType::QString}));
    QCOMPARE(rows->size(), 1);
    for (const QVariant &value : rows->at(0))
        QVERIFY(value.isNull());
}

void tst_SampleServerOdbc::cutsLongTexts()
{
    OdbcSession session(OdbcSession::portServer(m_online->port()), "TypesDb");
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    const auto rows = session.rows("SELECT t FROM LongText");
    QVERIFY2(rows, qPrintable(session.queryError().text()));
    QCOMPARE(rows->size(), 1);
    QCOMPARE(rows->at(0).at(0).toString(), QString(4000, QChar('x')));
    const auto stored = DirectSqlite::rows(onlineFile("TypesDb"), "SELECT length(t) FROM LongText");
    QVERIFY(stored);
    QCOMPARE(stored->value(0).value(0).toInt(), 5000);
    const auto after = session.rows("SELECT COUNT(*) FROM LongText");
    QVERIFY2(after, qPrintable(session.queryError().text()));
}

void tst_SampleServerOdbc::programQueries_data()
{
    QTest::addColumn<bool>("external");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("expectRows");

    const QString online = "ATR_Report_7_RAW";
    QTest::newRow("CPU reports")
        << false << "SNMPCONLINE"
        << "SELECT report_id, report_name, table_name, pollint FROM ATR_Reports WHERE table_name "
           "= 'CRATR-MIB|CRCpuEntry'"
        << true;
    QTest::newRow("nodes over 4 %")
        << false << "SNMPCONLINE" << kNodeQuery.arg(online, kHourStart, kHourEnd, "4") << true;
    QTest::newRow("nodes over 60 %")
        << false << "SNMPCONLINE" << kNodeQuery.arg(online, kHourStart, kHourEnd, "60") << false;
    QTest::newRow("count of node 12")
        << false << "SNMPCONLINE" << kCountQuery.arg(online, "12", kHourStart, kHourEnd, "4")
        << true;
    QTest::newRow("nodes, empty hour bounds")
        << false << "SNMPCONLINE" << kNodeQuery.arg(online, "", "", "4") << false;
    QTest::newRow("count, empty hour bounds")
        << false << "SNMPCONLINE" << kCountQuery.arg(online, "12", "", "", "4") << true;
    QTest::newRow("node attributes") << false << "SNMPCONLINE" << kNodeLookup << true;
    QTest::newRow("node attributes, unknown node")
        << false << "SNMPCONLINE"
        << "SELECT node_name, address, trapcomm FROM ATR_Nodes WHERE node_id = '99999'" << false;
    QTest::newRow("external: nodes over 4 %")
        << true << "ATR_Report_7" << kNodeQuery.arg("RAW", kHourStart, kHourEnd, "4") << true;
    QTest::newRow("external: count of node 12")
        << true << "ATR_Report_7" << kCountQuery.arg("RAW", "12", kHourStart, kHourEnd, "4")
        << true;
    QTest::newRow("external: count, empty hour bounds")
        << true << "ATR_Report_12" << kCountQuery.arg("RAW", "3", "", "", "4") << true;
}

void tst_SampleServerOdbc::programQueries()
{
    QFETCH(bool, external);
    QFETCH(QString, database);
    QFETCH(QString, sql);
    QFETCH(bool, expectRows);

    const QString file = external ? externalFile(database) : onlineFile(database);
    const auto expected = DirectSqlite::rows(file, sql);
    QVERIFY(expected);
    if (expectRows)
        QVERIFY(!expected->isEmpty());
    SampleServer &server = external ? *m_external : *m_online;
    OdbcSession session(OdbcSession::portServer(server.port()), database);
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    const auto rows = session.rows(sql);
    QVERIFY2(rows, qPrintable(session.queryError().text()));
    QCOMPARE(texts(*rows), DirectSqlite::texts(*expected));
    if (sql.contains("hist_time >= ''"))
        QCOMPARE(texts(*rows).value(0).value(0, "0"), QString("0"));
    QVERIFY(server.logText().contains("SQL_BATCH " + sql + "\n"));
}

void tst_SampleServerOdbc::missingObjectsKeepConnection_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("expectedCode");
    QTest::addColumn<QString>("expectedText");

    QTest::newRow("missing table")
        << "SELECT * FROM ATR_Report_99_RAW" << 208 << "Invalid object name 'ATR_Report_99_RAW'.";
    QTest::newRow("missing column")
        << "SELECT no_such_column FROM ATR_Nodes" << 207 << "Invalid column name 'no_such_column'.";
    QTest::newRow("missing catalog view")
        << "SELECT name FROM sys.objects" << 208 << "Invalid object name 'sys.objects'.";
    QTest::newRow("stored procedure")
        << "EXEC sp_who" << 2812 << "Could not find stored procedure 'sp_who'.";
    QTest::newRow("syntax") << "SELEC 1" << 102 << "syntax error";
}

void tst_SampleServerOdbc::missingObjectsKeepConnection()
{
    QFETCH(QString, sql);
    QFETCH(int, expectedCode);
    QFETCH(QString, expectedText);

    OdbcSession session(OdbcSession::portServer(m_online->port()));
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    QVERIFY(!session.rows(sql));
    QCOMPARE(OdbcSession::nativeCode(session.queryError()), expectedCode);
    QVERIFY2(session.queryError().databaseText().contains(expectedText),
        qPrintable(session.queryError().databaseText()));
    const auto after = session.rows("SELECT COUNT(*) FROM ATR_Nodes");
    QVERIFY2(after, qPrintable(session.queryError().text()));
    QCOMPARE(after->value(0).value(0).toInt(), 25);
}

void tst_SampleServerOdbc::refusesSqliteForms_data()
{
    QTest::addColumn<bool>("prepared");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("expectedCode");
    QTest::addColumn<QString>("expectedText");

    const auto function = [](const QString &name) {
        return "'" + name + "' is not a recognized built-in function name.";
    };
    const QString groupByConstant = "Each GROUP BY expression must contain at least one column "
                                    "that is not an outer reference.";
    QTest::newRow("LIMIT") << false << "SELECT node_id FROM ATR_Nodes ORDER BY node_id LIMIT 5"
                           << 102 << "Incorrect syntax near 'LIMIT'.";
    QTest::newRow("limit with offset, lower case")
        << false << "SELECT node_id FROM ATR_Nodes limit 5 offset 2" << 102
        << "Incorrect syntax near 'limit'.";
    QTest::newRow("LIMIT in a prepared statement")
        << true << "SELECT node_id FROM ATR_Nodes WHERE node_id > ? LIMIT 1" << 102
        << "Incorrect syntax near 'LIMIT'.";
    QTest::newRow("strftime") << false << "SELECT strftime('%H', hist_time) FROM ATR_Report_7_RAW"
                              << 195 << function("strftime");
    QTest::newRow("julianday") << false << "SELECT julianday('now')" << 195
                               << function("julianday");
    QTest::newRow("datetime()") << false << "SELECT datetime('now')" << 195 << function("datetime");
    QTest::newRow("date()")
        << false << "SELECT node_id FROM ATR_Report_7_RAW WHERE date(hist_time) = '2026-12-07'"
        << 195 << function("date");
    QTest::newRow("ifnull, spelling kept")
        << false << "SELECT IfNull(node_name, '') FROM ATR_Nodes" << 195 << function("IfNull");
    QTest::newRow("instr") << false << "SELECT instr(node_name, 'a') FROM ATR_Nodes" << 195
                           << function("instr");
    QTest::newRow("printf") << false << "SELECT printf('%d', node_id) FROM ATR_Nodes" << 195
                            << function("printf");
    QTest::newRow("group_concat") << false << "SELECT group_concat(node_name) FROM ATR_Nodes" << 195
                                  << function("group_concat");
    QTest::newRow("total") << false << "SELECT total(node_id) FROM ATR_Nodes" << 195
                           << function("total");
    QTest::newRow("SQLite function in a prepared statement")
        << true << "SELECT julianday(hist_time) FROM ATR_Report_7_RAW WHERE node_id = ?" << 195
        << function("julianday");
    QTest::newRow("function nobody knows")
        << false << "SELECT no_such_function(1)" << 195 << function("no_such_function");
    QTest::newRow("|| concatenation")
        << false << "SELECT node_name || 'x' FROM ATR_Nodes" << 102 << "Incorrect syntax near '|'.";
    QTest::newRow("backquoted identifier")
        << false << "SELECT `node_name` FROM ATR_Nodes" << 102 << "Incorrect syntax near '`'.";
    QTest::newRow("double quotes name a column")
        << false << "SELECT node_id FROM ATR_Nodes WHERE node_name = \"node-1\"" << 207
        << "Invalid column name 'node-1'.";
    QTest::newRow("GROUP BY position")
        << false << "SELECT node_id, COUNT(*) FROM ATR_Report_7_RAW GROUP BY 1" << 164
        << groupByConstant;
    QTest::newRow("GROUP BY column and position")
        << false << "SELECT node_id, hist_time, COUNT(*) FROM ATR_Report_7_RAW GROUP BY node_id, 2"
        << 164 << groupByConstant;
    QTest::newRow("GROUP BY position, prepared")
        << true
        << "SELECT node_id, COUNT(*) FROM ATR_Report_7_RAW WHERE ProcessorLoad >= ? GROUP BY 1"
        << 164 << groupByConstant;
}

void tst_SampleServerOdbc::refusesSqliteForms()
{
    QFETCH(bool, prepared);
    QFETCH(QString, sql);
    QFETCH(int, expectedCode);
    QFETCH(QString, expectedText);

    OdbcSession session(OdbcSession::portServer(m_online->port()));
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    QSqlError error;
    if (prepared) {
        QVERIFY(!preparedRows(session, sql, {1}, &error));
    } else {
        QVERIFY(!session.rows(sql));
        error = session.queryError();
    }
    QCOMPARE(OdbcSession::nativeCode(error), expectedCode);
    QVERIFY2(error.databaseText().endsWith("]" + expectedText), qPrintable(error.databaseText()));
    const auto after = session.rows("SELECT COUNT(*) FROM ATR_Nodes");
    QVERIFY2(after, qPrintable(session.queryError().text()));
    QCOMPARE(after->value(0).value(0).toInt(), 25);
}

void tst_SampleServerOdbc::acceptsTsqlForms_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("reference");

    QTest::newRow("double-quoted column") << "SELECT \"node_name\" FROM ATR_Nodes WHERE node_id = 3"
                                          << "SELECT node_name FROM ATR_Nodes WHERE node_id = 3";
    QTest::newRow("bracketed column") << "SELECT [node_name] FROM ATR_Nodes WHERE node_id = 3"
                                      << "SELECT node_name FROM ATR_Nodes WHERE node_id = 3";
    QTest::newRow("ORDER BY positions")
        << "SELECT node_id, node_name FROM ATR_Nodes ORDER BY 2 DESC, 1"
        << "SELECT node_id, node_name FROM ATR_Nodes ORDER BY node_name DESC, node_id";
    QTest::newRow("LIKE, COALESCE, NULLIF, IIF, ABS")
        << "SELECT COALESCE(NULLIF(node_name, ''), 'none'), IIF(node_id > 10, 1, 0), "
           "ABS(-node_id) FROM ATR_Nodes WHERE address LIKE '192.%'"
        << "SELECT CASE WHEN node_name = '' OR node_name IS NULL THEN 'none' ELSE node_name "
           "END, CASE WHEN node_id > 10 THEN 1 ELSE 0 END, node_id FROM ATR_Nodes WHERE address "
           "LIKE '192.%'";
    QTest::newRow("limit as a quoted name")
        << "SELECT node_id AS [limit] FROM ATR_Nodes WHERE node_id < 3"
        << "SELECT node_id FROM ATR_Nodes WHERE node_id < 3";
}

void tst_SampleServerOdbc::acceptsTsqlForms()
{
    QFETCH(QString, sql);
    QFETCH(QString, reference);

    const auto expected = DirectSqlite::rows(onlineFile("SNMPCONLINE"), reference);
    QVERIFY(expected && !expected->isEmpty());
    OdbcSession session(OdbcSession::portServer(m_online->port()));
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    const auto rows = session.rows(sql);
    QVERIFY2(rows, qPrintable(session.queryError().text()));
    QCOMPARE(texts(*rows), DirectSqlite::texts(*expected));
}

void tst_SampleServerOdbc::sweepQueries_data()
{
    QTest::addColumn<bool>("external");
    QTest::newRow("monitoring database") << false;
    QTest::newRow("report database") << true;
}

// The sweep's texts, with the bounds and the threshold bound as the sweep binds them.
void tst_SampleServerOdbc::sweepQueries()
{
    QFETCH(bool, external);

    const QString table = external ? "RAW" : "ATR_Report_7_RAW";
    const QString database = external ? "ATR_Report_7" : "SNMPCONLINE";
    const QString file = external ? externalFile(database) : onlineFile(database);
    const QString from = "2026-12-07 10:00:00";
    const QString to = "2026-12-07 14:00:00";
    // Hours since 1900-01-01: 613608 of them lie before 1970-01-01.
    const auto expected = DirectSqlite::rows(file,
        "SELECT node_id, CAST(strftime('%s', hist_time) AS INTEGER) / 3600 + 613608, COUNT(*) "
        "FROM "
            + table + " WHERE hist_time >= '" + from + "' AND hist_time < '" + to
            + "' AND ProcessorLoad >= 4 GROUP BY 1, 2 ORDER BY 1, 2");
    QVERIFY(expected && expected->size() > 25);

    SampleServer &server = external ? *m_external : *m_online;
    OdbcSession session(OdbcSession::portServer(server.port()), database);
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    QSqlError error;
    const QString aggregate = "SELECT node_id, DATEDIFF(hour, 0, hist_time), COUNT(*) FROM " + table
        + " WHERE hist_time >= ? AND hist_time < ? AND ProcessorLoad >= ? GROUP BY node_id, "
          "DATEDIFF(hour, 0, hist_time)";
    const auto rows = preparedRows(session, aggregate,
        {QDateTime::fromString(from, "yyyy-MM-dd HH:mm:ss"),
            QDateTime::fromString(to, "yyyy-MM-dd HH:mm:ss"), 4},
        &error);
    QVERIFY2(rows, qPrintable(error.text()));
    QList<QStringList> actual = texts(*rows);
    std::sort(actual.begin(), actual.end(), [](const QStringList &a, const QStringList &b) {
        return std::pair(a.value(0).toInt(), a.value(1).toInt())
            < std::pair(b.value(0).toInt(), b.value(1).toInt());
    });
    QCOMPARE(actual, DirectSqlite::texts(*expected));

    if (!external) {
        const QString attributes = "SELECT node_id, node_name, address FROM ATR_Nodes";
        const auto nodes = preparedRows(session, attributes, {}, &error);
        QVERIFY2(nodes, qPrintable(error.text()));
        QCOMPARE(texts(*nodes), DirectSqlite::texts(*DirectSqlite::rows(file, attributes)));
    }
}

void tst_SampleServerOdbc::writesAreRefused_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("expectedCode");

    QTest::newRow("INSERT") << "INSERT INTO ATR_Nodes (node_id, node_name) VALUES (900, 'x')"
                            << 3906;
    QTest::newRow("UPDATE") << "UPDATE ATR_Nodes SET node_name = 'x'" << 3906;
    QTest::newRow("DELETE") << "DELETE FROM ATR_Nodes" << 3906;
    QTest::newRow("CREATE TABLE") << "CREATE TABLE Extra (x INTEGER)" << 3906;
    QTest::newRow("CREATE TEMP TABLE") << "CREATE TEMP TABLE Scratch (x INTEGER)" << 3906;
    QTest::newRow("CREATE INDEX") << "CREATE INDEX extra ON ATR_Nodes (address)" << 3906;
    QTest::newRow("DROP TABLE") << "DROP TABLE ATR_Nodes" << 3906;
    QTest::newRow("ALTER TABLE") << "ALTER TABLE ATR_Nodes ADD COLUMN extra TEXT" << 3906;
    QTest::newRow("VACUUM INTO a new file")
        << "VACUUM INTO '" + m_dir.filePath("copy.sqlite") + "'" << 3906;
    QTest::newRow("ATTACH") << "ATTACH DATABASE ':memory:' AS other" << 50000;
}

void tst_SampleServerOdbc::writesAreRefused()
{
    QFETCH(QString, sql);
    QFETCH(int, expectedCode);

    const QString check = "SELECT COUNT(*), MIN(node_name) FROM ATR_Nodes";
    const auto before = DirectSqlite::rows(onlineFile("SNMPCONLINE"), check);
    QVERIFY(before);
    OdbcSession session(OdbcSession::portServer(m_online->port()));
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    QVERIFY(!session.rows(sql));
    QCOMPARE(OdbcSession::nativeCode(session.queryError()), expectedCode);
    const auto after = session.rows(check);
    QVERIFY2(after, qPrintable(session.queryError().text()));
    QCOMPARE(texts(*after), DirectSqlite::texts(*before));
    QCOMPARE(DirectSqlite::texts(*DirectSqlite::rows(onlineFile("SNMPCONLINE"), check)),
        DirectSqlite::texts(*before));
    QVERIFY(!QFile::exists(m_dir.filePath("copy.sqlite")));
}

void tst_SampleServerOdbc::reachesServerByInstanceOrPort_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<bool>("needsBrowser");

    QTest::newRow("host and port") << "127.0.0.1,%1" << false;
    QTest::newRow("host and instance") << "127.0.0.1\\SNMPCONLINE" << true;
    QTest::newRow("instance in lower case") << "127.0.0.1\\snmpconline" << true;
}

void tst_SampleServerOdbc::reachesServerByInstanceOrPort()
{
    QFETCH(QString, server);
    QFETCH(bool, needsBrowser);

    SampleServer::Options options = serverOptions(m_onlineDir);
    options.browser = needsBrowser;
    const auto instance = SampleServer::started(options);
    QVERIFY(instance);
    OdbcSession session(server.contains("%1") ? server.arg(instance->port()) : server);
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    const auto rows = session.rows("SELECT COUNT(*) FROM ATR_Reports");
    QVERIFY2(rows, qPrintable(session.queryError().text()));
    QCOMPARE(rows->value(0).value(0).toInt(), 5);
    QVERIFY(instance->logText().contains("SQL_BATCH SELECT COUNT(*) FROM ATR_Reports"));
}

void tst_SampleServerOdbc::servesTwoClientsAtOnce()
{
    const QString server = OdbcSession::portServer(m_online->port());
    QList<QString> expected;
    for (int node = 1; node <= 2; ++node) {
        const auto rows = DirectSqlite::rows(onlineFile("SNMPCONLINE"),
            kCountQuery.arg("ATR_Report_7_RAW").arg(node).arg(kHourStart, kHourEnd, "4"));
        QVERIFY(rows);
        expected << rows->value(0).value(0).toString();
    }
    QSemaphore opened;
    QSemaphore proceed;
    std::atomic<int> correct[2] = {0, 0};
    auto client = [&](int index) {
        OdbcSession session(server);
        const bool ok = session.open();
        opened.release();
        proceed.acquire();
        for (int i = 0; ok && i < 200; ++i) {
            const auto rows = session.rows(
                kCountQuery.arg("ATR_Report_7_RAW").arg(index + 1).arg(kHourStart, kHourEnd, "4"));
            if (rows && rows->value(0).value(0).toString() == expected[index])
                ++correct[index];
        }
    };
    std::unique_ptr<QThread> first(QThread::create(client, 0));
    std::unique_ptr<QThread> second(QThread::create(client, 1));
    first->start();
    second->start();
    // Both connections are open before either queries, so the server holds them at once.
    QVERIFY(opened.tryAcquire(2, 30000));
    proceed.release(2);
    QVERIFY(first->wait(60000));
    QVERIFY(second->wait(60000));
    QCOMPARE(correct[0].load(), 200);
    QCOMPARE(correct[1].load(), 200);
}

void tst_SampleServerOdbc::delaysEveryReply()
{
    constexpr int kDelayMs = 300;
    SampleServer::Options options = serverOptions(m_onlineDir);
    options.delayMs = kDelayMs;
    const auto server = SampleServer::started(options);
    QVERIFY(server);
    QElapsedTimer timer;
    timer.start();
    OdbcSession session(OdbcSession::portServer(server->port()));
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    // PRELOGIN and LOGIN7 are answered late as well.
    QVERIFY(timer.elapsed() >= 2 * kDelayMs);
    timer.restart();
    const auto rows = session.rows("SELECT COUNT(*) FROM ATR_Nodes");
    QVERIFY(timer.elapsed() >= kDelayMs);
    QVERIFY2(rows, qPrintable(session.queryError().text()));
    QCOMPARE(rows->value(0).value(0).toInt(), 25);
}

void tst_SampleServerOdbc::dropsConnectionAfterRequests()
{
    constexpr int kDropAfter = 8;
    SampleServer::Options options = serverOptions(m_onlineDir);
    options.dropAfter = kDropAfter;
    const auto server = SampleServer::started(options);
    QVERIFY(server);
    OdbcSession session(OdbcSession::portServer(server->port()));
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    static const QRegularExpression request(
        "^#(\\d+) (PRELOGIN|LOGIN7|SQL_BATCH|RPC)", QRegularExpression::MultilineOption);
    int openRequests = 0;
    for (auto it = request.globalMatch(server->logText()); it.hasNext(); it.next())
        ++openRequests;
    QVERIFY2(openRequests > 0 && openRequests < kDropAfter, qPrintable(server->logText()));
    int answered = 0;
    while (answered < kDropAfter && session.rows("SELECT COUNT(*) FROM ATR_Nodes"))
        ++answered;
    QCOMPARE(answered, kDropAfter - openRequests);
    QVERIFY(server->logText().contains("DROP after request " + QString::number(kDropAfter)));
    // Each connection counts its own requests.
    OdbcSession next(OdbcSession::portServer(server->port()));
    QVERIFY2(next.open(), qPrintable(next.openError().text()));
    QVERIFY2(next.rows("SELECT COUNT(*) FROM ATR_Nodes"), qPrintable(next.queryError().text()));
}

void tst_SampleServerOdbc::garbageEndsOnlyThatConnection_data()
{
    QTest::addColumn<QByteArray>("garbage");

    QTest::newRow("HTTP request") << QByteArray("GET / HTTP/1.1\r\nHost: localhost\r\n\r\n");
    QTest::newRow("zero bytes") << QByteArray(64, '\0');
    QTest::newRow("oversized packet length") << QByteArray("\x12\x01\xFF\xFF\x00\x00\x01\x00", 8);
    QTest::newRow("batch before login")
        << QByteArray("\x01\x01\x00\x0A\x00\x00\x01\x00\x41\x00", 10);
}

void tst_SampleServerOdbc::garbageEndsOnlyThatConnection()
{
    QFETCH(QByteArray, garbage);

    OdbcSession session(OdbcSession::portServer(m_online->port()));
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    RawTdsClient intruder;
    QVERIFY(intruder.connectTo("127.0.0.1", m_online->port()));
    QVERIFY(intruder.sendBytes(garbage));
    QVERIFY(intruder.waitForClose(5000));
    const auto rows = session.rows("SELECT COUNT(*) FROM ATR_Nodes");
    QVERIFY2(rows, qPrintable(session.queryError().text()));
    QCOMPARE(rows->value(0).value(0).toInt(), 25);
    OdbcSession next(OdbcSession::portServer(m_online->port()));
    QVERIFY2(next.open(), qPrintable(next.openError().text()));
}

void tst_SampleServerOdbc::repeatedSmallQueriesStayCorrect()
{
    const auto expected = DirectSqlite::rows(onlineFile("SNMPCONLINE"), kNodeLookup);
    QVERIFY(expected && expected->size() == 1);
    OdbcSession session(OdbcSession::portServer(m_online->port()));
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    int correct = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kRoundTrips; ++i) {
        const auto rows = session.rows(kNodeLookup);
        if (rows && texts(*rows) == DirectSqlite::texts(*expected))
            ++correct;
    }
    const double qtMicroseconds = timer.nsecsElapsed() / 1000.0 / kRoundTrips;
    QCOMPARE(correct, kRoundTrips);
    const double odbcMicroseconds = rawOdbcMicroseconds(m_online->port(), kNodeLookup, kRoundTrips);
    QVERIFY(odbcMicroseconds > 0);
    qInfo("one small query round trip: %.1f us through Qt QODBC + FreeTDS, %.1f us through the "
          "ODBC API + FreeTDS (mean of %d)",
        qtMicroseconds, odbcMicroseconds, kRoundTrips);
}

void tst_SampleServerOdbc::bindsParameters_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("loggedType");

    QTest::newRow("int") << "i" << QVariant(2147483647) << "int";
    QTest::newRow("bigint") << "b" << QVariant(qlonglong(9007199254740993LL)) << "bigint";
    QTest::newRow("float") << "f" << QVariant(-1234.5678) << "float";
    QTest::newRow("nvarchar") << "n" << QVariant(QString("ütf")) << "varchar(";
    QTest::newRow("datetime") << "d" << QVariant(QDateTime(QDate(2026, 12, 7), QTime(13, 45, 30)))
                              << "datetime";
}

void tst_SampleServerOdbc::bindsParameters()
{
    QFETCH(QString, column);
    QFETCH(QVariant, value);
    QFETCH(QString, loggedType);

    OdbcSession session(OdbcSession::portServer(m_online->port()), "TypesDb");
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    QSqlError error;
    const QString sql = QString("SELECT id, %1 FROM Types WHERE %1 = ?").arg(column);
    const auto rows = preparedRows(session, sql, {value}, &error);
    QVERIFY2(rows, qPrintable(error.text()));
    QCOMPARE(rows->size(), 1);
    QCOMPARE(rows->at(0).at(0).toInt(), 1);
    QCOMPARE(rows->at(0).at(1), value);

    // The value went as a typed parameter, not as text in the statement.
    const QString log = m_online->logText();
    const QRegularExpression rpc("^#\\d+ RPC sp_\\w+ .*" + QRegularExpression::escape(column)
            + " = @P1' .*\\) " + QRegularExpression::escape(loggedType),
        QRegularExpression::MultilineOption);
    QVERIFY2(rpc.match(log).hasMatch(), qPrintable(log.right(2000)));
}

void tst_SampleServerOdbc::hourlyAggregateWithParameters_data()
{
    QTest::addColumn<bool>("external");
    QTest::addColumn<int>("threshold");
    QTest::newRow("monitoring database") << false << 4;
    QTest::newRow("report database") << true << 4;
    QTest::newRow("high threshold") << false << 60;
}

void tst_SampleServerOdbc::hourlyAggregateWithParameters()
{
    QFETCH(bool, external);
    QFETCH(int, threshold);

    const QString table = external ? "RAW" : "ATR_Report_7_RAW";
    const QString database = external ? "ATR_Report_7" : "SNMPCONLINE";
    const QString from = "2026-12-07 10:00:00";
    const QString to = "2026-12-07 14:00:00";
    const auto expected
        = DirectSqlite::rows(external ? externalFile(database) : onlineFile(database),
            kHourlyReference.arg(table, from, to).arg(threshold));
    QVERIFY(expected);
    QVERIFY(threshold > 50 || expected->size() > 25);

    SampleServer &server = external ? *m_external : *m_online;
    OdbcSession session(OdbcSession::portServer(server.port()), database);
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    QSqlError error;
    const auto rows = preparedRows(session, kHourlyQuery.arg(table),
        {QDateTime::fromString(from, "yyyy-MM-dd HH:mm:ss"),
            QDateTime::fromString(to, "yyyy-MM-dd HH:mm:ss"), threshold},
        &error);
    QVERIFY2(rows, qPrintable(error.text()));
    QList<QStringList> actual;
    for (const QVariantList &row : *rows) {
        QCOMPARE(row.at(1).typeId(), QMetaType::QDateTime);
        actual << QStringList {row.at(0).toString(),
            row.at(1).toDateTime().toString("yyyy-MM-dd HH:mm:ss"), row.at(2).toString()};
    }
    QCOMPARE(actual, DirectSqlite::texts(*expected));
    // The bounds and the threshold travel as typed values beside a statement without them.
    const QRegularExpression rpc(
        "^#\\d+ RPC sp_prepexec .*ntext='SELECT node_id, [^']*hist_time >= "
        "@P1 AND hist_time < @P2 AND ProcessorLoad >= @P3 [^']*' "
        "\\(unnamed\\) datetime2\\(7\\)='2026-12-07 10:00:00' "
        "\\(unnamed\\) datetime2\\(7\\)='2026-12-07 14:00:00' \\(unnamed\\) int=",
        QRegularExpression::MultilineOption);
    QVERIFY2(rpc.match(server.logText()).hasMatch(), qPrintable(server.logText().right(1500)));
}

void tst_SampleServerOdbc::countsThresholdRunsAsEachSum_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariantList>("thresholds");

    QTest::newRow("integer loads, integer thresholds") << "i" << QVariantList {0, 75, 76, 101};
    QTest::newRow("integer thresholds out of order and repeated")
        << "i" << QVariantList {100, 75, 0, 75, 76, -5};
    QTest::newRow("integer thresholds far apart") << "i" << QVariantList {-100000, 75, 100000};
    QTest::newRow("bigint loads, thresholds at the 64-bit ends")
        << "b"
        << QVariantList {std::numeric_limits<qlonglong>::min(), 0, qlonglong(9007199254740993LL),
               std::numeric_limits<qlonglong>::max()};
    QTest::newRow("integer loads, real thresholds") << "i" << QVariantList {74.5, 75.0, 75.5};
    QTest::newRow("real loads, integer thresholds") << "f" << QVariantList {75, 74, 100};
    QTest::newRow("a NULL threshold")
        << "i" << QVariantList {QVariant(QMetaType::fromType<int>()), 75};
    QTest::newRow("a numeric text threshold") << "i" << QVariantList {QString("75"), 76};
    // Beyond a double's precision: 2^53 + 1 and 2^53 + 2 against a real of 2^53.
    QTest::newRow("bigint against a real")
        << "b" << QVariantList {9007199254740992.0, qlonglong(9007199254740993LL)};
}

// A run of conditional counts over one column, as a sweep asks one per threshold, answers what
// each count asked alone answers: the aliased columns below are counted one by one.
void tst_SampleServerOdbc::countsThresholdRunsAsEachSum()
{
    QFETCH(QString, column);
    QFETCH(QVariantList, thresholds);

    OdbcSession session(OdbcSession::portServer(m_online->port()), "TypesDb");
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    const auto query = [&](bool aliased) {
        QStringList sums;
        for (int i = 0; i < thresholds.size(); ++i) {
            sums << "SUM(CASE WHEN " + column + " >= ? THEN 1 ELSE 0 END)"
                    + (aliased ? " AS c" + QString::number(i) : QString());
        }
        return "SELECT g, COUNT(*), " + sums.join(", ") + " FROM Loads GROUP BY g ORDER BY g";
    };
    QSqlError error;
    const auto run = preparedRows(session, query(false), thresholds, &error);
    QVERIFY2(run, qPrintable(error.text()));
    const auto single = preparedRows(session, query(true), thresholds, &error);
    QVERIFY2(single, qPrintable(error.text()));
    QCOMPARE(*run, *single);
    QCOMPARE(run->size(), 2);
    QCOMPARE(run->first().size(), 2 + thresholds.size());

    // Over no rows at all, each sum is NULL, as SUM is.
    QStringList sums;
    for (int i = 0; i < thresholds.size(); ++i)
        sums << "SUM(CASE WHEN " + column + " >= ? THEN 1 ELSE 0 END)";
    const auto none = preparedRows(
        session, "SELECT " + sums.join(", ") + " FROM Loads WHERE g = 99", thresholds, &error);
    QVERIFY2(none, qPrintable(error.text()));
    QCOMPARE(none->size(), 1);
    for (const QVariant &sum : none->first())
        QVERIFY(sum.isNull());
}

// Only the server may call the functions it counts such runs with; and a threshold that is no
// number fails as SQL Server's conversion fails.
void tst_SampleServerOdbc::refusesLadderFunctionsInClientText()
{
    OdbcSession session(OdbcSession::portServer(m_online->port()), "TypesDb");
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    QSqlError error;
    QVERIFY(!preparedRows(session,
        "SELECT SUM(CASE WHEN i >= ? THEN 1 ELSE 0 END), SUM(CASE WHEN i >= ? THEN 1 ELSE 0 END) "
        "FROM Loads",
        {QString("high"), 75}, &error));
    QVERIFY2(error.text().contains("Conversion failed"), qPrintable(error.text()));
    QCOMPARE(OdbcSession::nativeCode(error), 245);
    QVERIFY(!session.rows("SELECT tovik_ladder(i, 1) FROM Loads"));
    QCOMPARE(OdbcSession::nativeCode(session.queryError()), 195);
    QVERIFY(session.rows("SELECT COUNT(*) FROM Loads"));
}

// A result's column types follow every row, the last as the first, however long the result.
void tst_SampleServerOdbc::typesLongResultsByEveryRow()
{
    OdbcSession session(OdbcSession::portServer(m_online->port()), "TypesDb");
    QVERIFY2(session.open(), qPrintable(session.openError().text()));
    const auto rows = session.rows("SELECT k, v FROM Big ORDER BY k");
    QVERIFY2(rows, qPrintable(session.queryError().text()));
    QCOMPARE(rows->size(), 12000);
    QCOMPARE(session.columnTypes().at(1), int(QMetaType::LongLong));
    QCOMPARE(rows->at(10999).at(1).toLongLong(), Q_INT64_C(5000000000));
    QCOMPARE(rows->at(11999).at(1).toLongLong(), Q_INT64_C(12000));
    QCOMPARE(rows->at(0).at(0).toInt(), 1);
}

QTEST_GUILESS_MAIN(tst_SampleServerOdbc)

#include "tst_sampleserverodbc.moc"

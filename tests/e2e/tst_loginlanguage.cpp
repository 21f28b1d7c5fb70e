#include "MonitoringFixture.h"
#include "RunLogFile.h"
#include "SampleData.h"
#include "testrun/TestRunDriver.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

using namespace tovik;
using namespace tovik::test;

namespace {

// The examined hour, 2026-12-13 12:00 to 13:00, has a day past 12: read as year-day-month it
// is no date at all.
const QDateTime kReferenceTime(QDate(2026, 12, 13), QTime(13, 20, 5));

// One whole run against generated data on a server of the given default language.
struct LanguageRun
{
    MonitoringFixture fixture;
    QString runLog; // timings and the server's address masked

    bool run(const QString &layout, const QString &defaultLanguage)
    {
        QString error;
        if (!generateSampleData(fixture.dataDir(),
                {"--layout", layout, "--reports", "2", "--nodes", "4", "--hours", "3", "--end",
                    "2026-12-13 14:00:00"},
                &error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        SampleServer::Options options;
        options.defaultLanguage = defaultLanguage;
        if (!fixture.startServer(options)) {
            qWarning("%s", qPrintable(fixture.error));
            return false;
        }
        fixture.host.setReferenceTime(kReferenceTime);
        fixture.host.setText("txtCpuLoadThreshold", "1");
        fixture.host.setText("txtCpuOverThreshold", "1");
        TestRunDriver(fixture.host).run();
        runLog = withoutTimings(fixture.runLog())
                     .replace("127.0.0.1," + QString::number(fixture.port()), "SERVER");
        return true;
    }
};

// What a client that asks for no language (Microsoft's drivers without Language=, pytds) gets
// for the program's count query on the server it ran against.
QSqlError countWithoutLanguage(quint16 port, const QString &database, const QString &sql)
{
    const QString name = "no-language";
    QSqlError error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", name);
        db.setDatabaseName(QString("DRIVER={FreeTDS};SERVER=127.0.0.1,%1;DATABASE=%2;UID=sa;PWD=;"
                                   "TDS_Version=7.4;Language=;")
                               .arg(port)
                               .arg(database));
        if (!db.open())
            return db.lastError();
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(sql))
            error = query.lastError();
        else if (query.next())
            error = QSqlError("counted", query.value(0).toString());
    }
    QSqlDatabase::removeDatabase(name);
    return error;
}

} // namespace

// Logins whose language reads dashed dates as year-day-month, on a server installed in German.
class tst_LoginLanguage : public QObject
{
    Q_OBJECT

private slots:
    void runLogIndependentOfServerLanguage_data();
    void runLogIndependentOfServerLanguage();
};

void tst_LoginLanguage::runLogIndependentOfServerLanguage_data()
{
    QTest::addColumn<QString>("layout");
    QTest::newRow("samples in the monitoring database") << "online";
    QTest::newRow("samples in report databases") << "external";
}

void tst_LoginLanguage::runLogIndependentOfServerLanguage()
{
    QFETCH(QString, layout);

    LanguageRun english;
    LanguageRun german;
    QVERIFY(english.run(layout, "us_english"));
    QVERIFY(german.run(layout, "Deutsch"));
    MonitoringFixture &fixture = german.fixture;

    QVERIFY(english.runLog.contains("SELECT COUNT(node_id)"));
    QCOMPARE(german.runLog, english.runLog);

    // Every connection of the run asked for us_english at login.
    const QList<LoggedRequest> requests = fixture.server().loggedRequests();
    QString countQuery;
    QString countDatabase;
    QHash<int, QString> databases;
    int logins = 0;
    for (const LoggedRequest &request : requests) {
        if (request.kind == "LOGIN7") {
            ++logins;
            QVERIFY2(request.detail.endsWith(" language=us_english"), qPrintable(request.detail));
            databases.insert(
                request.spid, request.detail.section("database=", 1).section(' ', 0, 0));
        } else if (request.kind == "SQL_BATCH" && countQuery.isEmpty()
            && request.detail.startsWith("SELECT COUNT(node_id)")) {
            countQuery = request.detail;
            countDatabase = databases.value(request.spid);
        }
    }
    QCOMPARE(logins, layout == "online" ? 1 : 3);
    QVERIFY(!countQuery.isEmpty());

    // The same query from a client that leaves the language to the server fails there.
    const QSqlError fault = countWithoutLanguage(fixture.port(), countDatabase, countQuery);
    QCOMPARE(fault.nativeErrorCode().section(';', -1).trimmed(), "242");
    QVERIFY2(fault.databaseText().contains("The conversion of a varchar data type to a datetime "
                                           "data type resulted in an out-of-range value."),
        qPrintable(fault.databaseText()));
}

QTEST_GUILESS_MAIN(tst_LoginLanguage)
#include "tst_loginlanguage.moc"

#include "testrun/DiscoverCpuReports.h"

#include "common/IntegerConversion.h"
#include "common/ValueText.h"
#include "testrun/DiscoveryQueries.h"
#include "testrun/RunEndings.h"
#include "testrun/SampleStore.h"
#include "testrun/TestRun.h"

namespace tovik {

namespace {

QString boolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// A value that does not convert leaves its field at the initial value.
CpuReport reportFromRow(const QueryRow &row)
{
    CpuReport report;
    report.report_id = IntegerConversion::toInt32(column(row, 0)).value_or(0);
    report.report_name = valueText(column(row, 1));
    report.table_name = valueText(column(row, 2));
    report.pollint = IntegerConversion::toInt16(column(row, 3)).value_or(0);
    return report;
}

QString reportLine(const QueryRow &row)
{
    QStringList values;
    for (int i = 0; i < 4; ++i)
        values << valueText(column(row, i));
    return values.join(RunLog::tab);
}

bool readReports(TestRun &run)
{
    const quint32 start = run.session.startMark();
    const auto rows = run.session.query(run.mainConnection,
        {QStringLiteral("*** Get All Reports based on Online Server CPU ***")}, kCpuReportQuery,
        start);
    if (!rows)
        return false;
    run.log.appendLine(QStringLiteral("report_id\treport_name\ttable_name\tpollint"));
    for (const QueryRow &row : *rows) {
        run.reports << reportFromRow(row);
        run.log.appendLine(reportLine(row));
    }
    return true;
}

// Lists every name of a catalog query and tells whether the wanted one was among them.
std::optional<bool> listNames(
    TestRun &run, const QStringList &header, const QString &sql, const QString &wanted)
{
    const quint32 start = run.session.startMark();
    const auto rows = run.session.query(run.mainConnection, header, sql, start);
    if (!rows)
        return std::nullopt;
    run.log.appendLine(QStringLiteral("name"));
    bool found = false;
    for (const QueryRow &row : *rows) {
        const QString name = valueText(column(row, 0));
        if (name == wanted)
            found = true;
        run.log.appendLine(name);
    }
    return found;
}

} // namespace

CountingCourse DiscoverCpuReports(TestRun &run)
{
    if (!readReports(run)) {
        RunEndings::queryFailure(run);
        return CountingCourse::RunEnded;
    }
    if (run.reports.isEmpty()) {
        RunEndings::noCpuReports(run);
        return CountingCourse::RunEnded;
    }

    const auto tableFound = listNames(run,
        {QString(), QStringLiteral("*** Get All Table Names in SnmpcOnline db ***")}, kTableQuery,
        SampleStoreNames::onlineTable(run.reports.first().report_id));
    if (!tableFound) {
        RunEndings::queryFailure(run);
        return CountingCourse::RunEnded;
    }
    run.SqlExpress = !*tableFound;
    run.log.appendLine();
    run.log.appendLine(QStringLiteral("SqlExpress: ") + boolText(run.SqlExpress)
        + QStringLiteral(" (we need to check for more db on the Server)"));
    run.log.appendLine();
    if (!run.SqlExpress)
        return CountingCourse::CountInOnlineDb;

    const auto databaseFound
        = listNames(run, {QStringLiteral("*** Get All db names on the server ***")}, kDatabaseQuery,
            SampleStoreNames::reportDatabase(run.reports.first().report_id));
    if (!databaseFound) {
        RunEndings::queryFailure(run);
        return CountingCourse::RunEnded;
    }
    run.SqlExtAtrDb = *databaseFound;
    run.log.appendLine();
    run.log.appendLine(QStringLiteral("SqlExtAtrDb: ") + boolText(run.SqlExtAtrDb)
        + QStringLiteral(" (we have found external ATR Db on the Server)"));
    run.log.appendLine();
    if (run.SqlExtAtrDb)
        return CountingCourse::CountInExternalAtrDbs;

    run.log.appendLine();
    run.log.appendLine(QStringLiteral("No External ATR Databases could be found on the server"));
    return CountingCourse::NoSampleStore;
}

} // namespace tovik

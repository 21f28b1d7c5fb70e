#include "MonitoringFixture.h"

#include "RunLogFile.h"

namespace tovik::test {

QStringList reportTableStatements()
{
    return {"CREATE TABLE ATR_Reports (report_id INTEGER, report_name TEXT, table_name TEXT, "
            "pollint INTEGER, description TEXT)"};
}

QString cpuReportRow(const QString &id, const QString &name, const QString &pollint)
{
    return QStringLiteral("INSERT INTO ATR_Reports VALUES (%1, %2, 'CRATR-MIB|CRCpuEntry', %3, "
                          "'cpu')")
        .arg(id, name, pollint);
}

QString sampleTableStatement(const QString &table)
{
    return QStringLiteral(
        "CREATE TABLE %1 (node_id INTEGER, hist_time DATETIME, ProcessorLoad INTEGER)")
        .arg(table);
}

MonitoringFixture::MonitoringFixture()
{
    host.setAppPath(m_app.path());
    host.setText("cboOnlConnType", "Remote SQL Authentication");
    host.setText("txtOnlDbServer", "127.0.0.1");
}

bool MonitoringFixture::addDatabase(const QString &name, const QStringList &statements)
{
    // One transaction: fixtures with thousands of rows are written in a moment.
    return createDatabase(
        m_data.path(), name, QStringList {"BEGIN"} + statements + QStringList {"COMMIT"}, &error);
}

bool MonitoringFixture::startServer(SampleServer::Options options)
{
    options.dataDir = m_data.path();
    m_server = std::make_unique<SampleServer>(options);
    if (!m_server->start(&error))
        return false;
    host.setText("txtOnlDbPort", QString::number(m_server->port()));
    return true;
}

QString MonitoringFixture::runLog() const
{
    return readRunLogFile(m_app.path());
}

} // namespace tovik::test

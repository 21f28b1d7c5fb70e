#include "MonitoringFixture.h"

#include "RunLogFile.h"
#include "app/ControlNames.h"

#include <QDir>

namespace tovik::test {

QString logLines(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + kCrlf;
    return text;
}

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

QString nodesTableStatement()
{
    return QStringLiteral(
        "CREATE TABLE ATR_Nodes (node_id INTEGER, node_name TEXT, address TEXT, trapcomm TEXT)");
}

QString nodeRow(int id, const QString &name, const QString &address, const QString &trapCommunity)
{
    return QStringLiteral("INSERT INTO ATR_Nodes VALUES (%1, '%2', '%3', '%4')")
        .arg(id)
        .arg(name, address, trapCommunity);
}

MonitoringFixture::MonitoringFixture()
{
    host.setAppPath(m_app.path());
    host.setText(control::kCboOnlConnType, "Remote SQL Authentication");
    host.setText(control::kTxtOnlDbServer, "127.0.0.1");
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
    host.setText(control::kTxtOnlDbPort, QString::number(m_server->port()));
    return true;
}

QString MonitoringFixture::runLogPath() const
{
    return QDir(m_app.path()).filePath(kRunLogName);
}

QString MonitoringFixture::runLog() const
{
    return readRunLogFile(m_app.path());
}

} // namespace tovik::test

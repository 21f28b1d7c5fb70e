#include "MarksInstallation.h"

namespace tovik::test::MarksInstallation {

namespace {

struct Sample
{
    int node;
    const char *time;
    int load;
};

QStringList samplesInto(const QString &table, std::initializer_list<Sample> samples)
{
    QStringList statements {sampleTableStatement(table)};
    for (const Sample &s : samples)
        statements << QStringLiteral("INSERT INTO %1 VALUES (%2, '2026-12-07 %3', %4)")
                          .arg(table)
                          .arg(s.node)
                          .arg(QLatin1String(s.time))
                          .arg(s.load);
    return statements;
}

QStringList report7(const QString &table)
{
    return samplesInto(table,
        {{101, "10:30:00", 90}, {101, "11:05:00", 60}, {101, "11:10:00", 70}, {101, "11:15:00", 20},
            {101, "11:20:00", 30}, {101, "13:05:00", 80}, {101, "13:10:00", 81},
            {101, "13:15:00", 82}, {101, "14:05:00", 90}, {101, "14:10:00", 95},
            {102, "11:05:00", 10}, {102, "11:10:00", 20}, {102, "11:15:00", 30},
            {102, "12:05:00", 10}, {0, "11:30:00", 99}, {104, "10:05:00", 90},
            {104, "10:10:00", 90}, {104, "10:15:00", 90}, {104, "10:20:00", 90},
            {104, "10:25:00", 90}});
}

QStringList report12(const QString &table)
{
    return samplesInto(table,
        {{0, "10:40:00", 99}, {101, "11:05:00", 55}, {101, "11:10:00", 56}, {101, "11:15:00", 10},
            {101, "12:05:00", 60}, {101, "12:10:00", 60}, {101, "12:15:00", 60},
            {101, "13:05:00", 10}, {101, "13:10:00", 10}, {101, "13:15:00", 10},
            {101, "14:05:00", 10}, {101, "14:10:00", 10}, {101, "14:15:00", 10}});
}

QStringList monitoringDatabase()
{
    return reportTableStatements()
        << cpuReportRow("7", "'CPU 7'", "300") << cpuReportRow("12", "'CPU 12'", "300")
        << nodesTableStatement() << nodeRow(101, "core-rtr-01", "192.0.2.1", "public")
        << nodeRow(102, "edge-sw-02", "192.0.2.2", "public")
        << nodeRow(104, "fw-04", "192.0.2.4", "public");
}

} // namespace

bool install(MonitoringFixture &fixture, bool external)
{
    if (!external)
        return fixture.addDatabase("SNMPCONLINE",
            monitoringDatabase() + report7("ATR_Report_7_RAW") + report12("ATR_Report_12_RAW"));
    return fixture.addDatabase("SNMPCONLINE", monitoringDatabase())
        && fixture.addDatabase("ATR_Report_7", report7("RAW"))
        && fixture.addDatabase("ATR_Report_12", report12("RAW"));
}

Marks handCount(int occurrences)
{
    switch (occurrences) {
    case 1:
        // Only the hours without any sample are blind; node 0 is no device, never marked.
        return {{{7, 0}, {0, 0}}, {{7, 101}, {0, 1}}, {{7, 102}, {0, 2}}, {{7, 104}, {0, 4}},
            {{12, 101}, {0, 0}}};
    case 2:
        return {{{7, 0}, {0, 0}}, {{7, 101}, {0, 1}}, {{7, 102}, {0, 3}}, {{7, 104}, {0, 4}},
            {{12, 101}, {0, 0}}};
    case 3:
        // 7/101 at 14:00 has two at or over 50 % but only two samples: blind, not near.
        return {{{7, 0}, {0, 0}}, {{7, 101}, {1, 2}}, {{7, 102}, {0, 3}}, {{7, 104}, {0, 4}},
            {{12, 101}, {1, 0}}};
    case 4:
        // Three of three samples at or over: one short, but never with samples enough.
        return {{{7, 0}, {0, 0}}, {{7, 101}, {0, 3}}, {{7, 102}, {0, 4}}, {{7, 104}, {0, 4}},
            {{12, 101}, {0, 4}}};
    default:
        return {};
    }
}

} // namespace tovik::test::MarksInstallation

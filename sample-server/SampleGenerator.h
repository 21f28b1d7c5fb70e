#pragma once

#include "DevicePlan.h"
#include "GenerateOptions.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace tovik::sampleserver {

class SqliteFile;

// Writes a sample monitoring database: SNMPCONLINE.sqlite with ATR_Reports (CPU reports and a
// few reports of other tables) and ATR_Nodes, and the CPU samples of the last hours, either in
// ATR_Report_<id>_RAW tables of SNMPCONLINE.sqlite (layout online) or in the table RAW of one
// ATR_Report_<id>.sqlite per report (layout external). Times are local time texts
// 'YYYY-MM-DD HH:MM:SS', one sample per device every pollint seconds up to now.
class SampleGenerator
{
public:
    static constexpr int kCpuPollInterval = 300;
    static constexpr const char *kCpuTable = "CRATR-MIB|CRCpuEntry";
    static constexpr const char *kOnlineDatabase = "SNMPCONLINE";

    explicit SampleGenerator(GenerateOptions options, std::time_t now = std::time(nullptr));

    std::optional<std::string> run();
    // One line on what was written.
    std::string summary() const;

    static std::vector<int> cpuReportIds(int count);

private:
    // The report_id of the report-th CPU report, from 0.
    int reportId(int report) const;
    std::string databasePath(const std::string &name) const;
    std::optional<std::string> writeOnlineDatabase();
    // report counts the CPU reports from 0, in report_id order, here and below.
    std::optional<std::string> writeExternalDatabase(int report);
    std::optional<std::string> writeReports(SqliteFile &file);
    std::optional<std::string> writeNodes(SqliteFile &file);
    std::optional<std::string> writeOtherReportTables(SqliteFile &file);
    std::optional<std::string> writeSamples(SqliteFile &file, const std::string &table, int report);
    void removeOtherLayout();

    GenerateOptions m_options;
    std::time_t m_now;
    DevicePlan m_plan;
    long long m_samples = 0;
};

} // namespace tovik::sampleserver

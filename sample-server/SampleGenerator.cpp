#include "SampleGenerator.h"

#include "DemoMarks.h"
#include "LoadModel.h"
#include "SqliteFile.h"

#include <array>
#include <filesystem>
#include <sqlite3.h>
#include <system_error>

namespace tovik::sampleserver {

namespace {

struct ReportRow
{
    int id;
    std::string name;
    std::string table;
    int pollint;
};

const std::array<const char *, 6> kSites {"ams", "fra", "lon", "par", "vie", "zrh"};
const std::array<const char *, 6> kCities {
    "Amsterdam", "Frankfurt", "London", "Paris", "Vienna", "Zurich"};
const std::array<const char *, 7> kRoles {
    "core-rtr", "edge-rtr", "dist-sw", "acc-sw", "fw", "wlc", "srv"};
const std::array<const char *, 7> kRoleNames {"Core router", "Edge router", "Distribution switch",
    "Access switch", "Firewall", "WLAN controller", "Server"};
const std::array<const char *, 4> kCommunities {"public", "monitor", "noc-traps", "ops-trap"};
const std::array<const char *, 3> kCpuReportNames {
    "CPU Load - Core Routers", "CPU Load - Access Switches", "CPU Load - Firewalls"};

std::string localTimeText(std::time_t time, double *hourOfDay = nullptr, std::tm *local = nullptr)
{
    std::tm parts {};
    localtime_r(&time, &parts);
    if (hourOfDay)
        *hourOfDay = parts.tm_hour + parts.tm_min / 60.0;
    if (local)
        *local = parts;
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &parts);
    return buffer;
}

std::string nodeName(int index)
{
    const std::size_t site = static_cast<std::size_t>(index) % kSites.size();
    const std::size_t role = (static_cast<std::size_t>(index) / kSites.size()) % kRoles.size();
    const int sequence = index / static_cast<int>(kSites.size() * kRoles.size()) + 1;
    char number[16];
    std::snprintf(number, sizeof number, "%02d", sequence);
    return std::string(kSites[site]) + "-" + kRoles[role] + "-" + number;
}

// Documentation ranges only (RFC 5737, then RFC 3849), so that no real device is named.
std::string nodeAddress(int index)
{
    if (index < 254)
        return "192.0.2." + std::to_string(index + 1);
    if (index < 508)
        return "198.51.100." + std::to_string(index - 253);
    if (index < 762)
        return "203.0.113." + std::to_string(index - 507);
    char text[40];
    std::snprintf(text, sizeof text, "2001:db8::%x", index + 1);
    return text;
}

std::vector<ReportRow> reportRows(const std::vector<int> &cpuIds)
{
    std::vector<ReportRow> rows {{1, "Interface Traffic", "IF-MIB|ifEntry", 300},
        {5, "Storage Usage", "HOST-RESOURCES-MIB|hrStorageEntry", 900}};
    for (std::size_t k = 0; k < cpuIds.size(); ++k) {
        const std::string name = k < kCpuReportNames.size()
            ? kCpuReportNames[k]
            : "CPU Load - Group " + std::to_string(k + 1);
        rows.push_back(
            {cpuIds[k], name, SampleGenerator::kCpuTable, SampleGenerator::kCpuPollInterval});
    }
    return rows;
}

std::string rawTableSql(const std::string &table)
{
    return "CREATE TABLE " + table
        + " (node_id INTEGER NOT NULL, hist_time DATETIME NOT NULL, ProcessorLoad INTEGER);";
}

std::string rawIndexSql(const std::string &table)
{
    // The load as well, so that a run's queries read the index alone: rows are stored poll round
    // by poll round, and a lookup of each row in node order would read the table's pages over and
    // over. The second index gives the hours of a node in order: SQLite groups only by sorting,
    // where SQL Server hashes, so without it a sweep's GROUP BY node and hour would sort every
    // sample of the range.
    return "CREATE INDEX " + table + "_node_time ON " + table
        + " (node_id, hist_time, ProcessorLoad);"
          "CREATE INDEX "
        + table + "_node_hour ON " + table
        + " (node_id, datediff('hour', 0, hist_time), hist_time, ProcessorLoad);";
}

void bindText(sqlite3_stmt *statement, int index, const std::string &text)
{
    sqlite3_bind_text(
        statement, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

} // namespace

SampleGenerator::SampleGenerator(GenerateOptions options, std::time_t now)
    : m_options(std::move(options))
    , m_now(m_options.end.value_or(now))
{
}

std::vector<int> SampleGenerator::cpuReportIds(int count)
{
    static constexpr std::array<int, 3> kFirst {3, 7, 12};
    std::vector<int> ids;
    for (int k = 0; k < count; ++k)
        ids.push_back(k < 3 ? kFirst[static_cast<std::size_t>(k)] : 12 + 3 * (k - 2));
    return ids;
}

std::string SampleGenerator::databasePath(const std::string &name) const
{
    return (std::filesystem::path(m_options.dataDir) / (name + ".sqlite")).string();
}

std::optional<std::string> SampleGenerator::run()
{
    std::error_code error;
    std::filesystem::create_directories(m_options.dataDir, error);
    if (error)
        return "cannot create " + m_options.dataDir + ": " + error.message();
    removeOtherLayout();
    if (auto failure = writeOnlineDatabase())
        return failure;
    if (m_options.layout == SampleLayout::Online)
        return std::nullopt;
    for (int id : cpuReportIds(m_options.reports)) {
        if (auto failure = writeExternalDatabase(id))
            return failure;
    }
    return std::nullopt;
}

// A directory holds one layout: report databases left from an external run would otherwise
// make the online data look external to a client.
void SampleGenerator::removeOtherLayout()
{
    if (m_options.layout != SampleLayout::Online)
        return;
    std::error_code error;
    for (int id : cpuReportIds(m_options.reports))
        std::filesystem::remove(databasePath("ATR_Report_" + std::to_string(id)), error);
}

std::optional<std::string> SampleGenerator::writeOnlineDatabase()
{
    SqliteFile file(databasePath(kOnlineDatabase));
    if (auto error = file.create())
        return error;
    if (auto error = writeReports(file))
        return error;
    if (auto error = writeNodes(file))
        return error;
    if (m_options.layout == SampleLayout::Online) {
        if (auto error = writeOtherReportTables(file))
            return error;
        for (int id : cpuReportIds(m_options.reports)) {
            if (auto error = writeSamples(file, "ATR_Report_" + std::to_string(id) + "_RAW", id))
                return error;
        }
    }
    return file.commit();
}

std::optional<std::string> SampleGenerator::writeExternalDatabase(int reportId)
{
    SqliteFile file(databasePath("ATR_Report_" + std::to_string(reportId)));
    if (auto error = file.create())
        return error;
    if (auto error = writeSamples(file, "RAW", reportId))
        return error;
    return file.commit();
}

std::optional<std::string> SampleGenerator::writeReports(SqliteFile &file)
{
    if (auto error = file.execute("CREATE TABLE ATR_Reports (report_id INTEGER PRIMARY KEY, "
                                  "report_name TEXT, table_name TEXT, pollint INTEGER, "
                                  "enabled INTEGER, created DATETIME);"))
        return error;
    sqlite3_stmt *insert = file.prepare("INSERT INTO ATR_Reports VALUES (?, ?, ?, ?, 1, ?);");
    const std::string created = localTimeText(m_now - 90 * 86400);
    for (const ReportRow &row : reportRows(cpuReportIds(m_options.reports))) {
        sqlite3_bind_int(insert, 1, row.id);
        bindText(insert, 2, row.name);
        bindText(insert, 3, row.table);
        sqlite3_bind_int(insert, 4, row.pollint);
        bindText(insert, 5, created);
        if (auto error = file.stepOnce(insert))
            return error;
    }
    return std::nullopt;
}

std::optional<std::string> SampleGenerator::writeNodes(SqliteFile &file)
{
    if (auto error = file.execute("CREATE TABLE ATR_Nodes (node_id INTEGER PRIMARY KEY, "
                                  "node_name TEXT, address TEXT, trapcomm TEXT, node_type TEXT, "
                                  "location TEXT);"))
        return error;
    sqlite3_stmt *insert = file.prepare("INSERT INTO ATR_Nodes VALUES (?, ?, ?, ?, ?, ?);");
    SplitMix64 random(SplitMix64::mix(m_options.seed, 0x4E4F444553ull));
    for (int index = 0; index < m_options.nodes; ++index) {
        const std::size_t site = static_cast<std::size_t>(index) % kSites.size();
        const std::size_t role = (static_cast<std::size_t>(index) / kSites.size()) % kRoles.size();
        sqlite3_bind_int(insert, 1, index + 1);
        bindText(insert, 2, nodeName(index));
        bindText(insert, 3, nodeAddress(index));
        bindText(insert, 4, kCommunities[random.below(kCommunities.size())]);
        bindText(insert, 5, kRoleNames[role]);
        bindText(insert, 6, kCities[site]);
        if (auto error = file.stepOnce(insert))
            return error;
    }
    return std::nullopt;
}

// The reports of other tables have their sample tables too, as a monitoring database would;
// they stay empty.
std::optional<std::string> SampleGenerator::writeOtherReportTables(SqliteFile &file)
{
    return file.execute(
        "CREATE TABLE ATR_Report_1_RAW (node_id INTEGER NOT NULL, hist_time DATETIME NOT NULL, "
        "ifIndex INTEGER, ifInOctets BIGINT, ifOutOctets BIGINT);"
        "CREATE TABLE ATR_Report_5_RAW (node_id INTEGER NOT NULL, hist_time DATETIME NOT NULL, "
        "hrStorageIndex INTEGER, hrStorageUsed BIGINT, hrStorageSize BIGINT);");
}

std::optional<std::string> SampleGenerator::writeSamples(
    SqliteFile &file, const std::string &table, int reportId)
{
    if (auto error = file.execute(rawTableSql(table)))
        return error;
    sqlite3_stmt *insert = file.prepare("INSERT INTO " + table + " VALUES (?, ?, ?);");
    std::vector<LoadModel> models;
    std::vector<std::time_t> next;
    const std::time_t start = m_now - static_cast<std::time_t>(m_options.hours) * 3600;
    const bool demoMarked = m_options.demoMarks && reportId == cpuReportIds(1).front();
    for (int node = 1; node <= m_options.nodes; ++node) {
        models.emplace_back(m_options.seed, reportId, node);
        next.push_back(start + models.back().phase(kCpuPollInterval));
    }
    // Poll round by poll round, the order in which a monitoring system stores its samples.
    for (std::time_t round = start; round <= m_now; round += kCpuPollInterval) {
        for (std::size_t i = 0; i < models.size(); ++i) {
            if (next[i] > m_now || next[i] >= round + kCpuPollInterval)
                continue;
            double hourOfDay = 0;
            std::tm local {};
            const std::string time = localTimeText(next[i], &hourOfDay, &local);
            const int node = static_cast<int>(i) + 1;
            const std::optional<int> load = demoMarked
                ? DemoMarks::sample(node, local, models[i].sample(hourOfDay))
                : models[i].sample(hourOfDay);
            next[i] += kCpuPollInterval;
            if (!load)
                continue;
            sqlite3_bind_int(insert, 1, node);
            bindText(insert, 2, time);
            sqlite3_bind_int(insert, 3, *load);
            if (auto error = file.stepOnce(insert))
                return error;
            ++m_samples;
        }
    }
    return file.execute(rawIndexSql(table));
}

std::string SampleGenerator::summary() const
{
    const char *layout = m_options.layout == SampleLayout::Online ? "online" : "external";
    return "generated " + std::string(layout) + " sample data in " + m_options.dataDir + ": "
        + std::to_string(m_options.reports) + " CPU reports, " + std::to_string(m_options.nodes)
        + " nodes, " + std::to_string(m_samples) + " samples over "
        + std::to_string(m_options.hours) + " h";
}

} // namespace tovik::sampleserver

#include "SampleGenerator.h"

#include "DemoMarks.h"
#include "DevicePlan.h"
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

void bindText(sqlite3_stmt *statement, int index, const std::string &text)
{
    sqlite3_bind_text(
        statement, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// A poll time as the samples carry it.
struct PollTime
{
    std::string text;
    double hourOfDay = 0;
    std::tm local {};
};

// The poll times of the samples, each second's worked out once: a round's thousands of devices
// are polled at no more than a poll interval's distinct seconds, and the local time is the
// costliest part of a sample after SQLite's own.
class PollTimes
{
public:
    const PollTime &at(std::time_t time)
    {
        constexpr std::time_t interval = SampleGenerator::kCpuPollInterval;
        Slot &slot = m_slots[static_cast<std::size_t>((time % interval + interval) % interval)];
        if (slot.time != time) {
            slot.time = time;
            slot.poll.text = localTimeText(time, &slot.poll.hourOfDay, &slot.poll.local);
        }
        return slot.poll;
    }

private:
    struct Slot
    {
        std::optional<std::time_t> time;
        PollTime poll;
    };
    std::array<Slot, SampleGenerator::kCpuPollInterval> m_slots;
};

// Writes the samples of a table many rows to an INSERT: SQLite's cost for each statement it
// steps (binding, running and resetting its program) is larger than that for each row it adds.
class SampleInserter
{
public:
    static constexpr std::size_t kRowsPerInsert = 100;

    SampleInserter(SqliteFile &file, const std::string &table, PollTimes &times)
        : m_file(file)
        , m_times(times)
        , m_many(file.prepare(insertSql(table, kRowsPerInsert)))
        , m_one(file.prepare(insertSql(table, 1)))
    {
        m_pending.reserve(kRowsPerInsert);
    }

    std::optional<std::string> add(int node, std::time_t time, int load)
    {
        m_pending.push_back({node, time, load});
        if (m_pending.size() < kRowsPerInsert)
            return std::nullopt;
        auto error = insert(m_many, 0, kRowsPerInsert);
        m_pending.clear();
        return error;
    }

    // The rows short of a whole INSERT, one by one.
    std::optional<std::string> finish()
    {
        for (std::size_t row = 0; row < m_pending.size(); ++row) {
            if (auto error = insert(m_one, row, 1))
                return error;
        }
        m_pending.clear();
        return std::nullopt;
    }

private:
    struct Sample
    {
        int node;
        std::time_t time;
        int load;
    };

    static std::string insertSql(const std::string &table, std::size_t rows)
    {
        std::string sql = "INSERT INTO " + table + " VALUES (?, ?, ?)";
        for (std::size_t row = 1; row < rows; ++row)
            sql += ", (?, ?, ?)";
        return sql + ";";
    }

    // Inserts count pending rows from first with a statement of that many rows.
    std::optional<std::string> insert(sqlite3_stmt *statement, std::size_t first, std::size_t count)
    {
        for (std::size_t row = 0; row < count; ++row) {
            const Sample &sample = m_pending[first + row];
            const int column = static_cast<int>(row * 3);
            sqlite3_bind_int(statement, column + 1, sample.node);
            bindText(statement, column + 2, m_times.at(sample.time).text);
            sqlite3_bind_int(statement, column + 3, sample.load);
        }
        return m_file.stepOnce(statement);
    }

    SqliteFile &m_file;
    PollTimes &m_times;
    sqlite3_stmt *m_many;
    sqlite3_stmt *m_one;
    std::vector<Sample> m_pending;
};

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

} // namespace

SampleGenerator::SampleGenerator(GenerateOptions options, std::time_t now)
    : m_options(std::move(options))
    , m_now(m_options.end.value_or(now))
    , m_plan(m_options.demoMarks ? DevicePlan::ownDevices(m_options.reports, m_options.nodes)
                                 : DevicePlan::shared(m_options.reports, m_options.nodes))
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

int SampleGenerator::reportId(int report) const
{
    return cpuReportIds(m_options.reports).at(static_cast<std::size_t>(report));
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
    for (int report = 0; report < m_options.reports; ++report) {
        if (auto failure = writeExternalDatabase(report))
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
        for (int report = 0; report < m_options.reports; ++report) {
            const std::string table = "ATR_Report_" + std::to_string(reportId(report)) + "_RAW";
            if (auto error = writeSamples(file, table, report))
                return error;
        }
    }
    return file.commit();
}

std::optional<std::string> SampleGenerator::writeExternalDatabase(int report)
{
    SqliteFile file(databasePath("ATR_Report_" + std::to_string(reportId(report))));
    if (auto error = file.create())
        return error;
    if (auto error = writeSamples(file, "RAW", report))
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
    for (const PlannedNode &node : m_plan.nodes()) {
        sqlite3_bind_int(insert, 1, node.id);
        bindText(insert, 2, node.name);
        bindText(insert, 3, node.address);
        bindText(insert, 4, kCommunities[random.below(kCommunities.size())]);
        bindText(insert, 5, node.type);
        bindText(insert, 6, node.location);
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
    SqliteFile &file, const std::string &table, int report)
{
    const std::vector<int> &nodes = m_plan.polled(report);
    if (auto error = file.execute(rawTableSql(table)))
        return error;
    std::vector<LoadModel> models;
    std::vector<std::time_t> next;
    PollTimes times;
    SampleInserter inserter(file, table, times);
    const std::time_t start = m_now - static_cast<std::time_t>(m_options.hours) * 3600;
    const bool demoMarked = m_options.demoMarks && report == 0;
    for (const int node : nodes) {
        models.emplace_back(m_options.seed, reportId(report), node);
        next.push_back(start + models.back().phase(kCpuPollInterval));
    }
    // Poll round by poll round, the order in which a monitoring system stores its samples.
    for (std::time_t round = start; round <= m_now; round += kCpuPollInterval) {
        for (std::size_t i = 0; i < models.size(); ++i) {
            if (next[i] > m_now || next[i] >= round + kCpuPollInterval)
                continue;
            const std::time_t polled = next[i];
            next[i] += kCpuPollInterval;
            const PollTime &time = times.at(polled);
            const int node = nodes[i];
            const std::optional<int> load = demoMarked
                ? DemoMarks::sample(node, time.local, models[i].sample(time.hourOfDay))
                : models[i].sample(time.hourOfDay);
            if (!load)
                continue;
            if (auto error = inserter.add(node, polled, *load))
                return error;
            ++m_samples;
        }
    }
    if (auto error = inserter.finish())
        return error;
    return file.execute(rawIndexSql(table));
}

std::string SampleGenerator::summary() const
{
    const char *layout = m_options.layout == SampleLayout::Online ? "online" : "external";
    return "generated " + std::string(layout) + " sample data in " + m_options.dataDir + ": "
        + std::to_string(m_options.reports) + " CPU reports, "
        + std::to_string(m_plan.nodes().size()) + " nodes, " + std::to_string(m_samples)
        + " samples over " + std::to_string(m_options.hours) + " h";
}

} // namespace tovik::sampleserver

#include "sweep/DeviceLoadReader.h"

#include "common/WallClock.h"
#include "sweep/SweepQueries.h"

#include <QSqlQuery>

namespace tovik {

namespace {

// A row of the load query; nothing for a row without a time or a load.
std::optional<LoadSample> sampleOf(const QSqlQuery &row)
{
    const QVariant time = row.value(0);
    const QVariant load = row.value(1);
    bool isNumber = false;
    const double percent = load.toDouble(&isNumber);
    const QDateTime stored = time.toDateTime();
    if (time.isNull() || load.isNull() || !isNumber || !stored.isValid())
        return std::nullopt;
    // The driver gives the stored wall-clock fields as a local time; the sweep's hours keep them
    // in UTC, where no change to summer time moves them.
    return LoadSample {WallClock::of(stored), percent};
}

} // namespace

std::optional<DeviceLoad> DeviceLoadReader::read(const DeviceLoadQuery &query)
{
    m_lastError.clear();
    m_openFailed = false;
    DeviceLoad load {query.reportId, query.nodeId, query.settings.range, {}};
    const std::optional<SampleLocation> location
        = SampleStoreNames::locate(query.store, query.reportId);
    if (!location)
        return load;
    const ConnectionFields &fields = query.settings.connection;
    const bool opened = m_connection.open(fields, location->database(fields.SqlDatabase),
        query.settings.timeouts, query.settings.security);
    const bool read = opened && readSamples(location->table, query, load);
    if (!read) {
        m_lastError = m_connection.lastError();
        m_openFailed = !opened;
    }
    m_connection.close();
    return read ? std::optional<DeviceLoad>(std::move(load)) : std::nullopt;
}

bool DeviceLoadReader::readSamples(
    const QString &table, const DeviceLoadQuery &query, DeviceLoad &load)
{
    const QVariantList values {
        query.nodeId, query.settings.range.from(), query.settings.range.to()};
    if (!m_connection.execPrepared(SweepQueries::deviceLoad(table), values))
        return false;
    return m_connection.forEachRecord([&load](const QSqlQuery &row) {
        if (const auto sample = sampleOf(row))
            load.samples.append(*sample);
    });
}

void DeviceLoadReader::cancel()
{
    m_cancelled = true;
    m_connection.cancel();
}

} // namespace tovik

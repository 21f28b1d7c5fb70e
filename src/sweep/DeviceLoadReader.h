#pragma once

#include "db/DbConnection.h"
#include "monitoring/SampleStore.h"
#include "sweep/DeviceLoad.h"
#include "sweep/SweepSettings.h"

#include <atomic>
#include <optional>

namespace tovik {

// Which device's samples to read: a node of one report of a sweep, where that sweep found the
// report's samples, with the connection and the range the sweep was made with.
struct DeviceLoadQuery
{
    SweepSettings settings;
    SampleStore store = SampleStore::NotFound;
    qint32 reportId = 0;
    qint32 nodeId = 0;
};

// Reads one device's samples over a connection of its own, so that it runs beside a sweep and a
// cancel ends only it. read() blocks; cancel() may come from any thread.
class DeviceLoadReader
{
public:
    // Nothing, with lastError() set to the driver's description, when the samples could not be
    // read; no samples without a query when the sweep found no store.
    std::optional<DeviceLoad> read(const DeviceLoadQuery &query);
    const QString &lastError() const { return m_lastError; }
    // Whether the failure was that the connection could not be opened.
    bool openFailed() const { return m_openFailed; }

    // Ends a running read() soon, its query through the driver's statement cancel, and stops one
    // that has not started its query yet; that read() fails with wasCancelled() true.
    void cancel();
    bool wasCancelled() const { return m_cancelled; }

private:
    bool readSamples(const QString &table, const DeviceLoadQuery &query, DeviceLoad &load);

    DbConnection m_connection;
    QString m_lastError;
    bool m_openFailed = false;
    std::atomic<bool> m_cancelled = false;
};

} // namespace tovik

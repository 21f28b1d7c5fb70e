#pragma once

#include "BenchOptions.h"
#include "BenchServer.h"
#include "ChildReport.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>

namespace tovik::bench {

// What a child of a sweep size reported, with the statements of its one connection.
struct SweepChildFigures
{
    qint64 ns = 0;
    qint64 rows = 0;
    qint64 peakBeyondIdleKib = 0;
    QStringList statements;
    // The child's whole report, for the figures only some children give.
    ChildReport report;
};

// The data a sweep size is measured on and the sample server over it: online sample tables of
// --reports reports x nodes over the --hours before --reference and the hour that holds it, where
// the data ends. The data is kept between runs of the benchmark (SampleDataCache).
class SweepData
{
public:
    // Generates the data and serves it; options->appDir and options->port then lead the children
    // to it.
    bool prepare(BenchOptions *options, int nodes, QString *failure);
    BenchServer &server() { return m_server; }
    // The statements of each connection since the last call, in the order the connections opened;
    // nothing, with *failure set, unless there were exactly `expected` connections.
    std::optional<QList<QStringList>> newConnections(qsizetype expected, QString *failure);
    // Runs one child of mode on this data, which reports its time as key; nothing, with *failure
    // set, when it failed, left a figure out or used other than one connection.
    std::optional<SweepChildFigures> runChild(
        const BenchOptions &options, BenchMode mode, const QString &key, QString *failure);

private:
    QTemporaryDir m_workDir;
    BenchServer m_server;
};

} // namespace tovik::bench

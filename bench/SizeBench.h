#pragma once

#include "BenchFigures.h"
#include "BenchOptions.h"
#include "BenchServer.h"

#include <QStringList>
#include <QTemporaryDir>
#include <optional>

namespace tovik::bench {

class ChildReport;

// Every figure of a run child, or nothing when one is missing or the run did not complete.
std::optional<RunFigures> runFiguresFrom(const ChildReport &report, QString *failure);

// One size of the series: its sample data and server, the runs and the bare replays of exactly
// the SQL texts the run sent, as the server logged them.
class SizeBench
{
public:
    SizeBench(const BenchOptions &options, int nodes);
    ~SizeBench();

    std::optional<SizeFigures> measure(QString *failure);

private:
    bool generate(QString *failure);
    bool startServer(QString *failure);
    bool learnOpenTexts(QString *failure);
    std::optional<QStringList> textsOfOneConnection(QString *failure);
    std::optional<RunFigures> runOnce(QStringList *texts, QString *failure);
    std::optional<ReplayFigures> replayOnce(const QStringList &runTexts, QString *failure);
    bool runLogShows(const QStringList &texts) const;
    bool writeSqlFile(const QStringList &texts, QString *failure) const;
    bool repeatOnce(SizeFigures *figures, QString *failure);

    BenchOptions m_options;
    int m_nodes;
    QTemporaryDir m_workDir;
    // Kept between runs of the benchmark.
    QString m_dataDir;
    BenchServer m_server;
    // What the driver sends by itself while a connection opens, before the first query.
    QStringList m_openTexts;
    QStringList m_runTexts;
};

} // namespace tovik::bench

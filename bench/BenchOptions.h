#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tovik::bench {

enum class BenchMode {
    // The series of sizes: data, server, run and replay per size, and the printed figures.
    Series,
    // One whole test run in this process, for a child of the series.
    OneRun,
    // One bare replay of SQL texts in this process, for a child of the series.
    OneReplay,
    // The sweep against the single-hour runs it replaces, at two sizes.
    SweepSeries,
    // One sweep, and one bare replay of its statements, for children of the sweep series.
    OneSweep,
    OneSweepReplay,
    // The tuning of every threshold of the standard ladder against a bare replay of its
    // statements and against one sweep per threshold.
    TuneSeries,
    // One tuning, and one bare replay of its statements, for children of the tuning series.
    OneTune,
    OneTuneReplay,
    // The threshold explorer's window at one size: its first result, a requery after a change of
    // the threshold, each beside a bare replay of its statements, its redraw and its memory.
    ExplorerSeries,
    // The window through all of that, offscreen, for a child of the explorer series.
    OneExplorer,
    // The window's first result only, offscreen, for a child of the explorer series.
    OneExplorerFirst,
    // The window's first result over a month, its memory, a device's load and its redraws for
    // other thresholds, offscreen, for a child of the explorer series with --month.
    OneExplorerMonth,
};

struct BenchOptions
{
    BenchMode mode = BenchMode::Series;
    int reports = 10;
    QList<int> nodes {1000};
    int hours = 2;
    int threshold = 0;
    // The thresholds a sweep counts besides --threshold, as FROM-TO/STEP; none when empty.
    QString ladder;
    // Each figure is the best of this many: on a loaded machine single runs scatter by 10 %.
    int repeat = 5;
    // The explorer series over a month (720 hours) in place of its sizes.
    bool month = false;
    int roundTrips = 10000;
    QString serverPath;
    // The moment the run examines the hour before; the data ends there too.
    QDateTime referenceTime;

    // Of a child process.
    quint16 port = 0;
    QString appDir;
    QString sqlFile;
    // Of a tuning child: the incidents file it scores the settings against; none when empty.
    QString incidentsFile;

    static std::optional<BenchOptions> parse(const QStringList &arguments, QString *failure);
    static QString usage();
    // The arguments that give a child the same settings.
    QStringList childArguments(BenchMode childMode) const;
};

} // namespace tovik::bench

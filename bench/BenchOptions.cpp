#include "BenchOptions.h"

#include "sweep/ThresholdLadder.h"

#include <QHash>
#include <functional>

namespace tovik::bench {

namespace {

const QString timeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
// A fixed winter afternoon: every run examines the same hour, with no change of clock in it.
const QString defaultReference = QStringLiteral("2026-12-07 14:30:00");

std::optional<int> number(const QString &text, int minimum)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < minimum)
        return std::nullopt;
    return value;
}

std::optional<QList<int>> numberList(const QString &text)
{
    QList<int> values;
    for (const QString &part : text.split(u',')) {
        const auto value = number(part.trimmed(), 1);
        if (!value)
            return std::nullopt;
        values << *value;
    }
    return values;
}

std::optional<QDateTime> dateTime(const QString &text)
{
    const QDateTime time = QDateTime::fromString(text, timeFormat);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

// Stores one option's value; false when the value does not convert.
using Setter = std::function<bool(BenchOptions &, const QString &)>;

template<typename T>
Setter setter(T BenchOptions::*field, std::function<std::optional<T>(const QString &)> convert)
{
    return [field, convert](BenchOptions &options, const QString &text) {
        const auto value = convert(text);
        if (value)
            options.*field = *value;
        return value.has_value();
    };
}

Setter numberSetter(int BenchOptions::*field, int minimum)
{
    return setter<int>(field, [minimum](const QString &text) { return number(text, minimum); });
}

Setter textSetter(QString BenchOptions::*field)
{
    return setter<QString>(field, [](const QString &text) { return std::optional(text); });
}

const QHash<QString, Setter> &valueOptions()
{
    static const QHash<QString, Setter> options {
        {"--reports", numberSetter(&BenchOptions::reports, 1)},
        {"--nodes", setter<QList<int>>(&BenchOptions::nodes, numberList)},
        {"--hours", numberSetter(&BenchOptions::hours, 2)},
        {"--threshold", numberSetter(&BenchOptions::threshold, 0)},
        {"--repeat", numberSetter(&BenchOptions::repeat, 1)},
        {"--round-trips", numberSetter(&BenchOptions::roundTrips, 1)},
        {"--server", textSetter(&BenchOptions::serverPath)},
        {"--reference", setter<QDateTime>(&BenchOptions::referenceTime, dateTime)},
        {"--port",
            setter<quint16>(&BenchOptions::port,
                [](const QString &text) -> std::optional<quint16> {
                    const auto value = number(text, 1);
                    if (!value || *value > 65535)
                        return std::nullopt;
                    return static_cast<quint16>(*value);
                })},
        {"--ladder",
            setter<QString>(&BenchOptions::ladder,
                [](const QString &text) -> std::optional<QString> {
                    QString ignored;
                    return ThresholdLadder::fromText(text, &ignored) ? std::optional(text)
                                                                     : std::nullopt;
                })},
        {"--app-dir", textSetter(&BenchOptions::appDir)},
        {"--sql", textSetter(&BenchOptions::sqlFile)},
        {"--incidents", textSetter(&BenchOptions::incidentsFile)},
    };
    return options;
}

const QHash<QString, BenchMode> &modeOptions()
{
    static const QHash<QString, BenchMode> modes {{"--one-run", BenchMode::OneRun},
        {"--one-replay", BenchMode::OneReplay}, {"--sweep", BenchMode::SweepSeries},
        {"--one-sweep", BenchMode::OneSweep}, {"--one-sweep-replay", BenchMode::OneSweepReplay},
        {"--tune", BenchMode::TuneSeries}, {"--one-tune", BenchMode::OneTune},
        {"--one-tune-replay", BenchMode::OneTuneReplay}, {"--explorer", BenchMode::ExplorerSeries},
        {"--one-explorer", BenchMode::OneExplorer},
        {"--one-explorer-first", BenchMode::OneExplorerFirst},
        {"--one-explorer-month", BenchMode::OneExplorerMonth}};
    return modes;
}

std::optional<BenchMode> modeOption(const QString &name)
{
    const auto mode = modeOptions().constFind(name);
    if (mode == modeOptions().constEnd())
        return std::nullopt;
    return *mode;
}

bool childOptionsComplete(const BenchOptions &options, QString *failure)
{
    if (options.mode == BenchMode::Series || options.mode == BenchMode::SweepSeries
        || options.mode == BenchMode::TuneSeries || options.mode == BenchMode::ExplorerSeries)
        return true;
    if (options.port == 0)
        *failure = QStringLiteral("a child run needs --port");
    else if (options.mode == BenchMode::OneRun && options.appDir.isEmpty())
        *failure = QStringLiteral("--one-run needs --app-dir");
    else if (options.mode == BenchMode::OneReplay && options.sqlFile.isEmpty())
        *failure = QStringLiteral("--one-replay needs --sql");
    return failure->isEmpty();
}

} // namespace

std::optional<BenchOptions> BenchOptions::parse(const QStringList &arguments, QString *failure)
{
    BenchOptions options;
    options.referenceTime = *dateTime(defaultReference);
    options.serverPath
        = qEnvironmentVariable("TOVIK_SAMPLE_SERVER", QStringLiteral(TOVIK_SAMPLE_SERVER_PATH));
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &name = arguments.at(i);
        if (const auto mode = modeOption(name)) {
            options.mode = *mode;
            continue;
        }
        if (name == QLatin1String("--month")) {
            options.month = true;
            continue;
        }
        const auto option = valueOptions().constFind(name);
        if (option == valueOptions().constEnd()) {
            *failure = QStringLiteral("unknown option %1").arg(name);
            return std::nullopt;
        }
        if (i + 1 == arguments.size() || !(*option)(options, arguments.at(i + 1))) {
            *failure = QStringLiteral("%1 needs a valid value").arg(name);
            return std::nullopt;
        }
        ++i;
    }
    // A month's window and replay take minutes each.
    if (options.month && !arguments.contains(QStringLiteral("--repeat")))
        options.repeat = 1;
    if (!childOptionsComplete(options, failure))
        return std::nullopt;
    return options;
}

QStringList BenchOptions::childArguments(BenchMode childMode) const
{
    QStringList arguments {modeOptions().key(childMode), QStringLiteral("--port"),
        QString::number(port), QStringLiteral("--threshold"), QString::number(threshold),
        QStringLiteral("--reference"), referenceTime.toString(timeFormat)};
    if (childMode == BenchMode::OneRun)
        arguments << QStringLiteral("--app-dir") << appDir;
    else if (childMode == BenchMode::OneReplay)
        arguments << QStringLiteral("--sql") << sqlFile;
    else
        arguments << QStringLiteral("--hours") << QString::number(hours);
    if (!ladder.isEmpty())
        arguments << QStringLiteral("--ladder") << ladder;
    if (!incidentsFile.isEmpty())
        arguments << QStringLiteral("--incidents") << incidentsFile;
    return arguments;
}

QString BenchOptions::usage()
{
    return QStringLiteral(
        "usage: run_bench [--reports R] [--nodes N[,N...]] [--hours H] [--threshold T]\n"
        "                 [--repeat K] [--round-trips M] [--server PATH] [--reference TIME]\n"
        "  For every N: sample data of R CPU reports x N nodes over the H hours up to TIME,\n"
        "  a sample server, the whole test run (threshold T, so that T = 0 counts every node),\n"
        "  and a bare replay of the run's SQL texts; K runs and replays each, the best counts.\n"
        "  M round trips of one small query measure the server alone.\n"
        "usage: run_bench --sweep [--reports R] [--nodes N1,N2] [--hours H] [--threshold T]\n"
        "                 [--repeat K] [--server PATH] [--reference TIME]\n"
        "  The sweep of the H hours before TIME at R x N1 against a bare replay of its\n"
        "  statements and against the single-hour test runs it replaces; its memory at\n"
        "  R x N2 x H/2 hours.\n"
        "usage: run_bench --tune [--reports R] [--nodes N] [--hours H] [--repeat K]\n"
        "                 [--server PATH] [--reference TIME]\n"
        "  The tuning of the H hours before TIME at R x N, every threshold from 5 to 100 % in\n"
        "  steps of 5 against occurrences 1 to 12, against a bare replay of its statements and\n"
        "  against the 20 sweeps, one per threshold, that it replaces, and the same tuning\n"
        "  scored against 1,000 incidents with a budget; then the tuning and the 20 sweeps\n"
        "  over a week (168 hours), and the week's memory against H's.\n"
        "usage: run_bench --explorer [--reports R] [--nodes N] [--hours H] [--threshold T]\n"
        "                 [--repeat K] [--server PATH] [--reference TIME]\n"
        "  The threshold explorer's window, offscreen, over the H hours before TIME at R x N:\n"
        "  its first result at threshold T and a requery at T + 1 (T - 1 for T = 100), each\n"
        "  beside a bare replay of its statements, its redraw for other occurrences values and\n"
        "  for other thresholds of its ladder, its peak memory, and its first result over a\n"
        "  week (168 hours) with its memory.\n"
        "usage: run_bench --explorer --month [--reports R] [--nodes N] [--threshold T]\n"
        "                 [--repeat K] [--server PATH] [--reference TIME]\n"
        "  The same window over a month (720 hours) before TIME at R x N: its first result\n"
        "  beside a bare replay of its statements, its peak memory and what it holds per\n"
        "  node-hour, a device's load, and its redraw for other thresholds of its ladder.\n"
        "  The generated data is kept between runs in $XDG_CACHE_HOME/tovik-bench, or in\n"
        "  sample-data beside run_bench, one directory per set of data.\n"
        "  Defaults: R = 10, N = 1000, H = 2, T = 0, K = 5 (1 with --month), M = 10000,\n"
        "  TIME = 2026-12-07 14:30:00, the server from TOVIK_SAMPLE_SERVER or the build.\n");
}

} // namespace tovik::bench

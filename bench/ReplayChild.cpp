#include "ReplayChild.h"

#include "BenchConnection.h"
#include "BenchOptions.h"
#include "ChildReport.h"
#include "ProcessFigures.h"
#include "db/DbConnection.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextStream>

namespace tovik::bench {

namespace {

std::optional<QStringList> readTexts(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

// Every query on one forward-only query object; false at the first that fails.
bool replay(const QSqlDatabase &db, const QStringList &texts, qint64 *rows, QString *failure)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    for (const QString &text : texts) {
        if (!query.exec(text)) {
            *failure = text + QStringLiteral(": ") + query.lastError().text();
            return false;
        }
        const int columns = query.record().count();
        while (query.next()) {
            for (int i = 0; i < columns; ++i)
                query.value(i);
            ++*rows;
        }
    }
    return true;
}

int fail(const QString &failure)
{
    QTextStream(stderr) << "run_bench --one-replay: " << failure << Qt::endl;
    return 1;
}

} // namespace

int replayOnce(const BenchOptions &options)
{
    const auto texts = readTexts(options.sqlFile);
    if (!texts)
        return fail(QStringLiteral("cannot read ") + options.sqlFile);

    ProcessFigures::resetPeak();
    const auto idleKib = ProcessFigures::statusKib("VmRSS");
    const qint64 cpuBefore = ProcessFigures::cpuMicroseconds();
    QElapsedTimer timer;
    timer.start();
    DbConnection connection;
    QString failure;
    if (!openBenchConnection(connection, options.port, &failure))
        return fail(failure);
    const qint64 connectNs = timer.nsecsElapsed();
    qint64 rows = 0;
    if (!replay(connection.database(), *texts, &rows, &failure))
        return fail(failure);
    connection.close();
    const qint64 replayNs = timer.nsecsElapsed();
    const qint64 cpuUs = ProcessFigures::cpuMicroseconds() - cpuBefore;
    const auto peakKib = ProcessFigures::statusKib("VmHWM");

    ChildReport::print(QStringLiteral("replay_ns"), replayNs);
    ChildReport::print(QStringLiteral("connect_ns"), connectNs);
    ChildReport::print(QStringLiteral("cpu_us"), cpuUs);
    ChildReport::print(QStringLiteral("idle_kib"), idleKib.value_or(-1));
    ChildReport::print(QStringLiteral("peak_kib"), peakKib.value_or(-1));
    ChildReport::print(QStringLiteral("queries"), texts->size());
    ChildReport::print(QStringLiteral("rows"), rows);
    return 0;
}

} // namespace tovik::bench

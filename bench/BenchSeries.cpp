#include "BenchSeries.h"

#include "BenchConnection.h"
#include "BenchReport.h"
#include "RoundTrip.h"
#include "SampleData.h"
#include "SampleServer.h"
#include "SizeBench.h"
#include "db/DbConnection.h"

#include <QTemporaryDir>
#include <QTextStream>

namespace tovik::bench {

namespace {

int fail(const QString &failure)
{
    QTextStream(stderr) << "run_bench: " << failure << Qt::endl;
    return 1;
}

} // namespace

BenchSeries::BenchSeries(BenchOptions options)
    : m_options(std::move(options))
{
}

// Against a small database of its own, so that only the server and the driver are measured.
std::optional<RoundTripFigures> BenchSeries::measureRoundTrip(QString *failure)
{
    QTemporaryDir data;
    if (!test::generateSampleData(data.path(),
            {QStringLiteral("--reports"), QStringLiteral("1"), QStringLiteral("--nodes"),
                QStringLiteral("10"), QStringLiteral("--hours"), QStringLiteral("2")},
            failure))
        return std::nullopt;
    test::SampleServer::Options options;
    options.dataDir = data.path();
    test::SampleServer server(options);
    if (!server.start(failure))
        return std::nullopt;
    DbConnection connection;
    const auto odbcString = benchOdbcString(server.port(), failure);
    if (!odbcString || !openBenchConnection(connection, server.port(), failure))
        return std::nullopt;
    const auto qt = qtRoundTripMicros(connection.database(), m_options.roundTrips, failure);
    const auto odbc
        = qt ? odbcRoundTripMicros(*odbcString, m_options.roundTrips, failure) : std::nullopt;
    if (!odbc)
        return std::nullopt;
    return RoundTripFigures {m_options.roundTrips, *qt, *odbc};
}

int BenchSeries::exec()
{
    qputenv("TOVIK_SAMPLE_SERVER", m_options.serverPath.toLocal8Bit());
    BenchReport::printHeader(m_options.reports, m_options.nodes, m_options.repeat);
    QString failure;
    const auto roundTrip = measureRoundTrip(&failure);
    if (!roundTrip)
        return fail(failure);
    BenchReport::printRoundTrip(*roundTrip);

    QList<SizeFigures> sizes;
    for (int nodes : std::as_const(m_options.nodes)) {
        const auto figures = SizeBench(m_options, nodes).measure(&failure);
        if (!figures)
            return fail(QStringLiteral("N = %1: %2").arg(nodes).arg(failure));
        BenchReport::printSize(*figures);
        sizes << *figures;
    }
    BenchReport::printSummary(sizes, *roundTrip);
    return 0;
}

} // namespace tovik::bench

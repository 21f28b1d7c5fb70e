#include "DeviceSamples.h"

#include <QDateTime>
#include <algorithm>
#include <functional>

namespace tovik::test::DeviceSamples {

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString timeAt(const QString &day, int minuteOfDay)
{
    return QDateTime::fromString(day + QStringLiteral(" 00:00:00"), kTimeFormat)
        .addSecs(minuteOfDay * 60LL)
        .toString(kTimeFormat);
}

// Every step minutes from 10:00 to 13:59 of the range's last day, but for the minutes skipped.
QList<StoredSample> series(qint32 report, qint32 node, int step,
    const std::function<int(int minute)> &load, const std::function<bool(int)> &skipped = {})
{
    QList<StoredSample> samples;
    for (int minute = 10 * 60; minute < 14 * 60; minute += step) {
        if (!skipped || !skipped(minute))
            samples.append(
                {report, node, timeAt(QStringLiteral("2026-12-07"), minute), load(minute)});
    }
    return samples;
}

int gapNodeLoad(int minute)
{
    switch (minute) {
    case 12 * 60 + 5:
        return 60;
    case 12 * 60 + 10:
        return 70;
    case 12 * 60 + 15:
        return 80;
    case 13 * 60 + 5:
        return 55;
    case 13 * 60 + 10:
        return 90;
    default:
        return 20 + minute % 7;
    }
}

QStringList sampleRows(const QString &table, qint32 report)
{
    QStringList statements {sampleTableStatement(table)};
    // Latest first, so that only the query's order puts the samples in time order.
    const QList<StoredSample> samples = all();
    for (auto sample = samples.crbegin(); sample != samples.crend(); ++sample) {
        if (sample->reportId == report)
            statements << QStringLiteral("INSERT INTO %1 VALUES (%2, '%3', %4)")
                              .arg(table)
                              .arg(sample->nodeId)
                              .arg(sample->time)
                              .arg(sample->load);
    }
    return statements;
}

} // namespace

QList<StoredSample> all()
{
    const auto inGap = [](int minute) { return minute >= 11 * 60 + 20 && minute <= 11 * 60 + 40; };
    QList<StoredSample> samples {{7, kGapNode, QStringLiteral("2026-12-06 09:55:00"), 99},
        {7, kGapNode, QStringLiteral("2026-12-07 14:00:00"), 99}};
    samples += series(7, kGapNode, 5, gapNodeLoad, inGap);
    samples += series(7, kBusyNode, 10, [](int minute) { return 50 + minute % 40; });
    samples += series(12, kGapNode, 15, [](int minute) { return 5 + minute % 3; });
    samples += series(12, kOtherReportNode, 20, [](int minute) { return 70 + minute % 5; });
    return samples;
}

QList<StoredSample> of(qint32 reportId, qint32 nodeId, const QString &from, const QString &to)
{
    QList<StoredSample> samples;
    for (const StoredSample &sample : all()) {
        if (sample.reportId == reportId && sample.nodeId == nodeId && from <= sample.time
            && sample.time < to)
            samples << sample;
    }
    std::sort(samples.begin(), samples.end(),
        [](const StoredSample &a, const StoredSample &b) { return a.time < b.time; });
    return samples;
}

bool install(MonitoringFixture &fixture, bool external)
{
    QStringList monitoring = reportTableStatements();
    monitoring << cpuReportRow("7", "'CPU 7'", "300") << cpuReportRow("12", "'CPU 12'", "300")
               << nodesTableStatement() << nodeRow(kGapNode, "core-rtr-01", "192.0.2.1", "public")
               << nodeRow(kBusyNode, "core-rtr-02", "192.0.2.2", "public")
               << nodeRow(kOtherReportNode, "edge-sw-03", "192.0.2.3", "public");
    if (!external)
        return fixture.addDatabase("SNMPCONLINE",
            monitoring + sampleRows("ATR_Report_7_RAW", 7) + sampleRows("ATR_Report_12_RAW", 12));
    return fixture.addDatabase("SNMPCONLINE", monitoring)
        && fixture.addDatabase("ATR_Report_7", sampleRows("RAW", 7))
        && fixture.addDatabase("ATR_Report_12", sampleRows("RAW", 12));
}

} // namespace tovik::test::DeviceSamples

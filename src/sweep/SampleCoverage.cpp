#include "sweep/SampleCoverage.h"

#include "sweep/SweepFrame.h"

#include <QStringList>

namespace tovik {

namespace {

QString rangeText(const SweepFrame &frame)
{
    return QStringLiteral("no CPU samples from %1 to %2")
        .arg(SweepRange::hourText(frame.range.from()).left(16),
            SweepRange::hourText(frame.range.to()).left(16));
}

QString reportText(const SweepFrame &frame, qsizetype index)
{
    const QString id = QStringLiteral("report %1").arg(frame.reportIds.at(index));
    const QString name = frame.reportNames.value(index);
    return name.isEmpty() ? id : id + QStringLiteral(" (") + name + u')';
}

} // namespace

bool SampleCoverage::hasAnySample(const SweepFrame &frame)
{
    return frame.sampledReports.contains(true);
}

QString SampleCoverage::noSamplesText(const SweepFrame &frame)
{
    const qsizetype reports = frame.reportIds.size();
    return rangeText(frame)
        + (reports == 1 ? QStringLiteral(" in the one CPU report")
                        : QStringLiteral(" in any of the %1 CPU reports").arg(reports));
}

std::optional<QString> SampleCoverage::unsampledReportsText(const SweepFrame &frame)
{
    if (!hasAnySample(frame))
        return std::nullopt;
    QStringList unsampled;
    for (qsizetype i = 0; i < frame.sampledReports.size(); ++i) {
        if (!frame.sampledReports.at(i))
            unsampled << reportText(frame, i);
    }
    if (unsampled.isEmpty())
        return std::nullopt;
    return rangeText(frame) + QStringLiteral(" in ") + unsampled.join(QStringLiteral(", "));
}

std::optional<QString> SampleCoverage::neverFiresText(qint16 occurrences, qint32 mostSamples)
{
    if (occurrences <= mostSamples)
        return std::nullopt;
    return QStringLiteral("occurrences %1 never fires: %2")
        .arg(QString::number(occurrences), mostSamplesText(mostSamples));
}

QString SampleCoverage::mostSamplesText(qint32 mostSamples)
{
    return QStringLiteral("at most %1 %2 in an hour")
        .arg(QString::number(mostSamples),
            mostSamples == 1 ? QStringLiteral("sample") : QStringLiteral("samples"));
}

} // namespace tovik

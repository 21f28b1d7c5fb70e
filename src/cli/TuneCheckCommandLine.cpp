#include "cli/TuneCheckCommandLine.h"

#include "cli/DataCommandLine.h"
#include "options/OptionText.h"

#include <QLocale>
#include <cmath>

namespace tovik {

TuneCheckCommandLine::TuneCheckCommandLine()
{
    DataCommandLine::setUp(m_parser, QStringLiteral("tune"),
        QStringLiteral("The test run's counting over a range of hours at every threshold of a "
                       "ladder and every occurrences value at once: how many alarms a day each "
                       "setting would have sent, and with --budget the lowest threshold that "
                       "stays within it."),
        SweepCommandLine::Alarm::MonitoringOnly, DataCommandLine::Formats::Data);
    m_parser.addOptions({
        OptionText::option({"thresholds"},
            "The thresholds tried, in percent: every STEP from FROM to TO (at most 101).",
            "FROM-TO/STEP",
            QStringLiteral("%1-%2/%3")
                .arg(ThresholdLadder::kDefaultFrom)
                .arg(ThresholdLadder::kDefaultTo)
                .arg(ThresholdLadder::kDefaultStep)),
        OptionText::option({"occurrences-up-to"},
            QStringLiteral("Occurrences values tried: 1 to N (N at most %1).")
                .arg(kMaxOccurrencesUpTo),
            "N", QString::number(TuningSurface::kDefaultOccurrencesUpTo)),
        OptionText::option({"budget"},
            "Alarms a day that are acceptable: marks the settings within it and names the lowest "
            "threshold for each occurrences value.",
            "ALARMS-PER-DAY"),
    });
}

TuneCheckCommandLine::Result TuneCheckCommandLine::parse(
    const QStringList &arguments, const QDateTime &now)
{
    return TuneCheckCommandLine().parsed(arguments, now);
}

TuneCheckCommandLine::Result TuneCheckCommandLine::parsed(
    const QStringList &arguments, const QDateTime &now)
{
    const QString command = QStringLiteral("tune");
    if (const auto answer = CheckCommandLine::answerFor(m_parser, arguments, command))
        return {answer->action, {}, answer->text, {}};
    QString failure;
    const auto read = DataCommandLine::read(m_parser, now, SweepCommandLine::Alarm::MonitoringOnly,
        DataCommandLine::Formats::Data, &failure);
    TuneCheckOptions options;
    if (read) {
        options.settings = read->settings;
        options.output = read->output;
    }
    if (!read || !readTuning(options, &failure))
        return {Action::Refused, {}, failure + u' ' + CheckCommandLine::usageHint(command), {}};
    return {Action::Run, options, {}, read->notice};
}

// The ladder is counted as given: the settings' threshold is its first, so nothing is added.
bool TuneCheckCommandLine::readTuning(TuneCheckOptions &options, QString *failure) const
{
    const auto ladder
        = ThresholdLadder::fromText(m_parser.value(QStringLiteral("thresholds")), failure);
    if (!ladder) {
        failure->prepend(QStringLiteral("--thresholds: "));
        return false;
    }
    options.settings.ladder = *ladder;
    options.settings.threshold = ladder->threshold(0);
    return readOccurrencesUpTo(options, failure) && readBudget(options, failure);
}

bool TuneCheckCommandLine::readOccurrencesUpTo(TuneCheckOptions &options, QString *failure) const
{
    const QString text = m_parser.value(QStringLiteral("occurrences-up-to"));
    const auto value = OptionText::wholeNumber(text, 1, kMaxOccurrencesUpTo);
    if (!value) {
        *failure = QStringLiteral("--occurrences-up-to takes 1 to %1, not '%2'")
                       .arg(kMaxOccurrencesUpTo)
                       .arg(text);
        return false;
    }
    options.request.occurrencesUpTo = qint16(*value);
    return true;
}

bool TuneCheckCommandLine::readBudget(TuneCheckOptions &options, QString *failure) const
{
    if (!m_parser.isSet(QStringLiteral("budget")))
        return true;
    const QString text = m_parser.value(QStringLiteral("budget"));
    bool ok = false;
    const double budget = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(budget) || budget < 0) {
        *failure = QStringLiteral("--budget takes a number of alarms a day from 0 on, not '%1'")
                       .arg(text);
        return false;
    }
    options.request.budget = budget;
    return true;
}

} // namespace tovik

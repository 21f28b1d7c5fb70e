#include "cli/TuneCheckCommandLine.h"

#include "cli/DataCommandLine.h"
#include "options/OptionText.h"
#include "sweep/IncidentFile.h"

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
        OptionText::option({"incidents"},
            "Known incidents to score every setting against: a csv file with the header "
            "start,end,device,note, times as YYYY-MM-DD HH:MM:SS, device a node name, an address, "
            "report_id:node_id or empty for any device.",
            "FILE"),
        OptionText::option({"lead"},
            "Hours before an incident's start in which an alarm still counts for it.", "HOURS",
            QStringLiteral("0")),
        OptionText::option({"hold-out"},
            "Choose on the range before its last DAYS days and score the choice on those days "
            "alone (needs --budget).",
            "DAYS"),
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
    // A bad file is no misuse of the command line: its line says what to mend.
    if (!readIncidents(options, &failure))
        return {Action::Refused, {}, failure, {}};
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
    return readOccurrencesUpTo(options, failure) && readBudget(options, failure)
        && readLead(options, failure) && readHoldOut(options, failure);
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

bool TuneCheckCommandLine::readLead(TuneCheckOptions &options, QString *failure) const
{
    const QString text = m_parser.value(QStringLiteral("lead"));
    const auto hours = OptionText::wholeNumber(text, 0, SweepRange::kMaxHours);
    if (!hours) {
        *failure = QStringLiteral("--lead takes whole hours from 0 to %1, not '%2'")
                       .arg(SweepRange::kMaxHours)
                       .arg(text);
        return false;
    }
    options.request.leadHours = *hours;
    return true;
}

// The held-out days leave at least one hour to choose on.
bool TuneCheckCommandLine::readHoldOut(TuneCheckOptions &options, QString *failure) const
{
    if (!m_parser.isSet(QStringLiteral("hold-out")))
        return true;
    const QString text = m_parser.value(QStringLiteral("hold-out"));
    const int rangeHours = options.settings.range.hourCount();
    const auto days = OptionText::wholeNumber(text, 1, SweepRange::kMaxHours / 24);
    if (!days || *days * 24 >= rangeHours) {
        *failure = QStringLiteral("--hold-out takes whole days from 1, less than the range of %1 "
                                  "hours, not '%2'")
                       .arg(rangeHours)
                       .arg(text);
        return false;
    }
    if (!options.request.budget) {
        *failure = QStringLiteral("--hold-out needs --budget: the choice it scores is made within "
                                  "the budget");
        return false;
    }
    options.request.holdOutDays = *days;
    return true;
}

bool TuneCheckCommandLine::readIncidents(TuneCheckOptions &options, QString *failure) const
{
    if (!m_parser.isSet(QStringLiteral("incidents")))
        return true;
    options.request.incidents
        = IncidentFile::read(m_parser.value(QStringLiteral("incidents")), failure);
    return options.request.incidents.has_value();
}

} // namespace tovik

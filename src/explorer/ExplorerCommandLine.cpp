#include "explorer/ExplorerCommandLine.h"

#include "common/IntegerConversion.h"
#include "common/OptionText.h"

#include <QCoreApplication>

namespace tovik {

namespace {

QCommandLineOption option(const QString &name, const QString &description,
    const QString &valueName = {}, const QString &shownDefault = {})
{
    const QString shown = shownDefault.isEmpty()
        ? description
        : description + QStringLiteral(" (now: ") + shownDefault + u')';
    return QCommandLineOption(QStringList {name}, shown, valueName);
}

QString monitoringText(const ExplorerSettings &settings)
{
    return QStringLiteral("%1-%2").arg(settings.monStartHour).arg(settings.monStopHour);
}

} // namespace

ExplorerCommandLine::ExplorerCommandLine(const ExplorerSettings &remembered)
    : m_remembered(remembered)
{
    m_parser.setApplicationDescription(
        QStringLiteral("Shows, over the last days, in which hours and on which devices a CPU-load "
                       "alarm setting would have fired."));
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    ConnectionCommandLine::addOptions(m_parser, remembered.connection);
    m_parser.addOptions({
        option("last", "The last H whole hours before the current one.", "H",
            QString::number(remembered.lastHours)),
        option("from", "First hour of a fixed range, instead of --last.", "YYYY-MM-DD HH:00:00"),
        option("to", "End of a fixed range (exclusive).", "YYYY-MM-DD HH:00:00"),
        option("threshold", "Avg. CPU load threshold in percent.", "PERCENT",
            QString::number(remembered.threshold)),
        option("occurrences", "Samples at or over the threshold that catch a device.", "N",
            QString::number(remembered.occurrences)),
        option("monitoring", "Monitoring time, whole hours: START 0 to 23, STOP 1 to 24.",
            "START-STOP", monitoringText(remembered)),
        option("run", "Query at once."),
    });
}

ExplorerCommandLine::Result ExplorerCommandLine::parse(
    const QStringList &arguments, const ExplorerSettings &remembered)
{
    return ExplorerCommandLine(remembered).parsed(arguments);
}

ExplorerCommandLine::Result ExplorerCommandLine::parsed(const QStringList &arguments)
{
    Result result;
    if (!m_parser.parse(arguments)) {
        result.text = m_parser.errorText();
        return result;
    }
    if (m_parser.isSet(QStringLiteral("help")))
        return {Action::Help, m_remembered, false, m_parser.helpText()};
    if (m_parser.isSet(QStringLiteral("version")))
        return {Action::Version, m_remembered, false,
            programName + u' ' + QCoreApplication::applicationVersion()};
    if (!m_parser.positionalArguments().isEmpty()) {
        result.text = QStringLiteral("unexpected argument '%1'")
                          .arg(m_parser.positionalArguments().join(u' '));
        return result;
    }
    const auto connection
        = ConnectionCommandLine::read(m_parser, m_remembered.connection, &result.text);
    if (!connection)
        return result;
    result.settings = m_remembered;
    result.settings.connection = *connection;
    if (!readRange(result.settings, &result.text) || !readAlarm(result.settings, &result.text)
        || !readMonitoring(result.settings, &result.text))
        return result;
    result.action = Action::Open;
    result.runAtStart = m_parser.isSet(QStringLiteral("run"));
    return result;
}

bool ExplorerCommandLine::readRange(ExplorerSettings &settings, QString *failure) const
{
    const bool from = m_parser.isSet(QStringLiteral("from"));
    const bool to = m_parser.isSet(QStringLiteral("to"));
    const bool last = m_parser.isSet(QStringLiteral("last"));
    if (from != to || (from && last)) {
        *failure = QStringLiteral("a range is --last H, or --from and --to together");
        return false;
    }
    if (from) {
        settings.fixedRange = true;
        settings.from = m_parser.value(QStringLiteral("from"));
        settings.to = m_parser.value(QStringLiteral("to"));
        return bool(SweepRange::fromTexts(settings.from, settings.to, failure));
    }
    if (!last)
        return true;
    const QString text = m_parser.value(QStringLiteral("last"));
    const auto hours = OptionText::wholeNumber(text, 1, SweepRange::kMaxHours);
    if (!hours) {
        *failure = QStringLiteral("--last takes 1 to %1 hours, not '%2'")
                       .arg(SweepRange::kMaxHours)
                       .arg(text);
        return false;
    }
    settings.fixedRange = false;
    settings.lastHours = *hours;
    return true;
}

bool ExplorerCommandLine::readAlarm(ExplorerSettings &settings, QString *failure) const
{
    const auto read = [this, failure](const char *name, const QString &field, qint16 *value) {
        if (!m_parser.isSet(QLatin1String(name)))
            return true;
        const QString text = m_parser.value(QLatin1String(name));
        const auto number = IntegerConversion::toInt16(text);
        if (!number) {
            *failure = IntegerConversion::int16Failure(field, text);
            return false;
        }
        *value = *number;
        return true;
    };
    return read("threshold", QStringLiteral("Avg .CPU Load"), &settings.threshold)
        && read("occurrences", QStringLiteral("Occurrences"), &settings.occurrences);
}

bool ExplorerCommandLine::readMonitoring(ExplorerSettings &settings, QString *failure) const
{
    if (!m_parser.isSet(QStringLiteral("monitoring")))
        return true;
    const auto hours
        = OptionText::monitoringHours(m_parser.value(QStringLiteral("monitoring")), failure);
    if (!hours)
        return false;
    settings.monStartHour = qint16(hours->start);
    settings.monStopHour = qint16(hours->stop);
    return true;
}

} // namespace tovik

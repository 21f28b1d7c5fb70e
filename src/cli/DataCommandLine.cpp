#include "cli/DataCommandLine.h"

#include "cli/CheckCommandLine.h"
#include "options/ConnectionCommandLine.h"
#include "options/OptionText.h"

namespace tovik {

namespace {

const QStringList formatNames {
    QStringLiteral("csv"), QStringLiteral("json"), QStringLiteral("table")};

} // namespace

void DataCommandLine::setUp(QCommandLineParser &parser, const QString &command,
    const QString &description, SweepCommandLine::Alarm alarm)
{
    parser.setApplicationDescription(description);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addPositionalArgument(command, QStringLiteral("The command."));
    parser.addHelpOption();
    parser.addVersionOption();
    SweepCommandLine::addOptions(parser, SweepChoice(), alarm);
    parser.addOptions({
        {QStringLiteral("at"),
            QStringLiteral("The moment --last counts back from, instead of now."),
            QStringLiteral("YYYY-MM-DD HH:MM:SS")},
        {QStringLiteral("format"),
            QStringLiteral("Output: csv, json or table (default: table on a terminal, else csv)."),
            QStringLiteral("csv|json|table")},
        {QStringLiteral("output"),
            QStringLiteral("Write the output to FILE instead of standard output."),
            QStringLiteral("FILE")},
    });
    parser.addOption(CheckCommandLine::timeoutOption({}));
}

std::optional<DataCommandLine::Read> DataCommandLine::read(const QCommandLineParser &parser,
    const QDateTime &now, SweepCommandLine::Alarm alarm, QString *failure)
{
    const auto choice = SweepCommandLine::read(parser, SweepChoice(), failure, alarm);
    const auto reference
        = choice ? referenceTime(parser, now, choice->fixedRange, failure) : std::nullopt;
    const auto settings = reference ? choice->sweep(*reference, failure) : std::nullopt;
    Read read;
    if (!settings || !readFormat(parser, read.output, failure)
        || !readTimeout(parser, read.output, failure))
        return std::nullopt;
    read.settings = *settings;
    read.output.outputPath = parser.value(QStringLiteral("output"));
    read.notice = ConnectionCommandLine::notice(parser, choice->connection);
    return read;
}

std::optional<QDateTime> DataCommandLine::referenceTime(
    const QCommandLineParser &parser, const QDateTime &now, bool fixedRange, QString *failure)
{
    if (!parser.isSet(QStringLiteral("at")))
        return now;
    if (fixedRange) {
        *failure = QStringLiteral(
            "--at sets the end of --last; it cannot be combined with --from and --to");
        return std::nullopt;
    }
    return OptionText::localTime(parser.value(QStringLiteral("at")), failure);
}

bool DataCommandLine::readTimeout(
    const QCommandLineParser &parser, DataOutput &output, QString *failure)
{
    if (!parser.isSet(QStringLiteral("timeout")))
        return true;
    output.timeoutSeconds
        = CheckCommandLine::countFromOne(parser, QStringLiteral("timeout"), failure);
    return bool(output.timeoutSeconds);
}

bool DataCommandLine::readFormat(
    const QCommandLineParser &parser, DataOutput &output, QString *failure)
{
    if (!parser.isSet(QStringLiteral("format")))
        return true;
    const QString name = parser.value(QStringLiteral("format"));
    const qsizetype index = formatNames.indexOf(name);
    if (index < 0) {
        *failure = QStringLiteral("--format takes csv, json or table, not '%1'").arg(name);
        return false;
    }
    output.format = DataOutput::Format(index);
    return true;
}

} // namespace tovik

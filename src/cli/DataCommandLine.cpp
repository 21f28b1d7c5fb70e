#include "cli/DataCommandLine.h"

#include "cli/CheckCommandLine.h"
#include "options/ConnectionCommandLine.h"
#include "options/OptionText.h"

#include <QFileInfo>

namespace tovik {

namespace {

// In the order of DataOutput::Format; the reports' formats last.
const QStringList formatNames {QStringLiteral("csv"), QStringLiteral("json"),
    QStringLiteral("table"), QStringLiteral("pdf"), QStringLiteral("html")};
constexpr qsizetype kDataFormatCount = 3;

qsizetype formatCount(DataCommandLine::Formats formats)
{
    return formats == DataCommandLine::Formats::WithReports ? formatNames.size() : kDataFormatCount;
}

// "csv, json or table".
QString formatList(DataCommandLine::Formats formats)
{
    const QStringList names = formatNames.first(formatCount(formats));
    return names.first(names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" or ")
        + names.last();
}

} // namespace

void DataCommandLine::setUp(QCommandLineParser &parser, const QString &command,
    const QString &description, SweepCommandLine::Alarm alarm, Formats formats)
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
            QStringLiteral(
                "Output: %1 (default: the one the --output file's name ends in, else table "
                "on a terminal, else csv)%2.")
                .arg(formatList(formats),
                    formats == Formats::WithReports
                        ? QStringLiteral("; pdf and html write a report to --output")
                        : QString()),
            formatNames.first(formatCount(formats)).join(u'|')},
        {QStringLiteral("output"),
            QStringLiteral("Write the output to FILE instead of standard output."),
            QStringLiteral("FILE")},
    });
    parser.addOption(CheckCommandLine::timeoutOption({}));
}

std::optional<DataCommandLine::Read> DataCommandLine::read(const QCommandLineParser &parser,
    const QDateTime &now, SweepCommandLine::Alarm alarm, Formats formats, QString *failure)
{
    const auto choice = SweepCommandLine::read(parser, SweepChoice(), failure, alarm);
    const auto reference
        = choice ? referenceTime(parser, now, choice->fixedRange, failure) : std::nullopt;
    const auto settings = reference ? choice->sweep(*reference, failure) : std::nullopt;
    Read read;
    read.output.outputPath = parser.value(QStringLiteral("output"));
    if (!settings || !readFormat(parser, formats, read.output, failure)
        || !readTimeout(parser, read.output, failure))
        return std::nullopt;
    read.settings = *settings;
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

std::optional<DataOutput::Format> DataCommandLine::formatOf(const QString &name, Formats formats)
{
    const qsizetype index = formatNames.first(formatCount(formats)).indexOf(name);
    return index < 0 ? std::nullopt : std::optional(DataOutput::Format(index));
}

std::optional<DataOutput::Format> DataCommandLine::formatOfPath(
    const QString &path, Formats formats)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return formatOf(suffix == QLatin1String("htm") ? QStringLiteral("html") : suffix, formats);
}

std::optional<DataOutput::Format> DataCommandLine::givenFormat(
    const QCommandLineParser &parser, Formats formats)
{
    if (parser.isSet(QStringLiteral("format")))
        return formatOf(parser.value(QStringLiteral("format")), formats);
    return formatOfPath(parser.value(QStringLiteral("output")), formats);
}

bool DataCommandLine::readFormat(
    const QCommandLineParser &parser, Formats formats, DataOutput &output, QString *failure)
{
    // A file named for one format never holds another, whether this command writes that one or not.
    const auto named = formatOfPath(output.outputPath, Formats::WithReports);
    if (!parser.isSet(QStringLiteral("format"))) {
        output.format = formatOfPath(output.outputPath, formats);
        if (named && !output.format) {
            *failure = QStringLiteral("--output %1 is named for %2; this command writes %3")
                           .arg(output.outputPath, formatNames.at(qsizetype(*named)),
                               formatList(formats));
            return false;
        }
        return true;
    }
    const QString name = parser.value(QStringLiteral("format"));
    output.format = formatOf(name, formats);
    if (!output.format) {
        *failure = QStringLiteral("--format takes %1, not '%2'").arg(formatList(formats), name);
        return false;
    }
    if (named && named != output.format) {
        *failure = QStringLiteral("--format %1 does not match --output %2, whose name says %3")
                       .arg(name, output.outputPath, formatNames.at(qsizetype(*named)));
        return false;
    }
    // A report is a file to keep and share, never a terminal's or a pipe's stream of text.
    if (output.isReport() && output.outputPath.isEmpty()) {
        *failure = QStringLiteral("--format %1 writes a file: name it with --output").arg(name);
        return false;
    }
    return true;
}

} // namespace tovik

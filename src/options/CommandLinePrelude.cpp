#include "options/CommandLinePrelude.h"

#include <QCoreApplication>

namespace tovik {

std::optional<CommandLinePrelude::Answer> CommandLinePrelude::answer(QCommandLineParser &parser,
    const QStringList &arguments, const QString &programName, const QStringList &command)
{
    if (!parser.parse(arguments))
        return Answer {Kind::Refused, parser.errorText()};
    // Qt lists --help-all beside --help; these programs take no Qt options, so both show the
    // same help.
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        return Answer {Kind::Help, parser.helpText()};
    if (parser.isSet(QStringLiteral("version")))
        return Answer {Kind::Version, versionText(programName)};
    const QStringList positional = parser.positionalArguments();
    if (positional == command)
        return std::nullopt;
    return Answer {Kind::Refused,
        QStringLiteral("unexpected argument '%1'").arg(positional.mid(command.size()).join(u' '))};
}

QString CommandLinePrelude::versionText(const QString &programName)
{
    return programName + u' ' + QCoreApplication::applicationVersion();
}

} // namespace tovik

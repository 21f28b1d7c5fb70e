#pragma once

#include <QCommandLineParser>
#include <QStringList>
#include <optional>

namespace tovik {

// What every program's command line answers before it reads its options: the help, the version,
// or why the arguments are refused.
class CommandLinePrelude
{
public:
    enum class Kind { Help, Version, Refused };

    struct Answer
    {
        Kind kind;
        QString text;
    };

    // Nothing when the arguments ask for the program's work: they parse, ask for neither help
    // nor version, and their positional arguments are exactly command (the program's command
    // word, or none).
    static std::optional<Answer> answer(QCommandLineParser &parser, const QStringList &arguments,
        const QString &programName, const QStringList &command = {});
    // "PROGRAM VERSION".
    static QString versionText(const QString &programName);
};

} // namespace tovik

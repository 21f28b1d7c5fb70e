#pragma once

#include "cli/CheckOptions.h"

#include <QCommandLineParser>
#include <QStringList>

namespace tovik {

// The arguments of `tovik-cpu-check run`: each option stands for a setting of the window, with
// the window's default.
class CheckCommandLine
{
public:
    // Sweep, Tune: the arguments are the sweep's, for SweepCheckCommandLine, or the tuning's, for
    // TuneCheckCommandLine. Usage: no command was given, a usage error that shows the general
    // help.
    enum class Action { Run, Sweep, Tune, Help, Usage, Version, Refused };

    struct Result
    {
        Action action = Action::Refused;
        CheckOptions options;
        // The help or version text, or why the arguments were refused.
        QString text;
        // Empty, or a line for standard error on options taken but not used.
        QString notice;
    };

    // arguments as QCoreApplication::arguments() gives them, the program first; now is the
    // moment that --hours-ago counts back from.
    static Result parse(const QStringList &arguments, const QDateTime &now);

    static inline const QString programName = QStringLiteral("tovik-cpu-check");
    // "(see tovik-cpu-check COMMAND --help)".
    static QString usageHint(const QString &command);

    struct Answer
    {
        Action action;
        QString text;
    };
    // The help or the version that arguments ask for, or why they are refused; nothing when they
    // ask for the command itself.
    static std::optional<Answer> answerFor(
        QCommandLineParser &parser, const QStringList &arguments, const QString &command);

    // -t/--timeout, as every command takes it; an empty default leaves it off.
    static QCommandLineOption timeoutOption(const QString &defaultValue);
    // The value of option name, a whole number from 1 on; nothing, with the reason, for any other.
    static std::optional<int> countFromOne(
        const QCommandLineParser &parser, const QString &name, QString *failure);

private:
    CheckCommandLine();
    Result parseRun(const QStringList &arguments, const QDateTime &now);
    bool readOptions(const QDateTime &now, CheckOptions *options, QString *failure) const;
    bool readAlarm(CheckOptions *options, QString *failure) const;
    bool readReferenceTime(const QDateTime &now, CheckOptions *options, QString *failure) const;
    bool readLimits(CheckOptions *options, QString *failure) const;

    QCommandLineParser m_parser;
};

} // namespace tovik

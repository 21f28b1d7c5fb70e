#pragma once

#include "sweep/SweepChoice.h"

#include <QCommandLineParser>
#include <optional>

namespace tovik {

// The options of every program that sweeps: the connection options, the range (--last H, or
// --from with --to), --threshold, --occurrences and --monitoring.
class SweepCommandLine
{
public:
    // Setting: --threshold, --occurrences and --monitoring. MonitoringOnly: --monitoring alone,
    // for a command that counts every threshold and occurrences value itself.
    enum class Alarm { Setting, MonitoringOnly };

    // base supplies the values shown as defaults and kept where an option is not given.
    static void addOptions(
        QCommandLineParser &parser, const SweepChoice &base, Alarm alarm = Alarm::Setting);
    // --threshold, --occurrences and --monitoring alone, as a test run takes them too.
    static void addAlarmOptions(QCommandLineParser &parser, const SweepChoice &base);
    // Nothing, with the reason in *failure, for a value that is none of the option's.
    static std::optional<SweepChoice> read(const QCommandLineParser &parser,
        const SweepChoice &base, QString *failure, Alarm alarm = Alarm::Setting);

    // What addAlarmOptions added, into choice; false, with the reason naming the option, for a
    // value that is none of the option's.
    static bool readAlarmOptions(
        const QCommandLineParser &parser, SweepChoice &choice, QString *failure);

private:
    static bool readRange(const QCommandLineParser &parser, SweepChoice &choice, QString *failure);
    static bool readAlarm(const QCommandLineParser &parser, SweepChoice &choice, QString *failure);
    static bool readMonitoring(
        const QCommandLineParser &parser, SweepChoice &choice, QString *failure);
};

} // namespace tovik

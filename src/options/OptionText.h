#pragma once

#include <QCommandLineOption>
#include <QDateTime>
#include <QString>
#include <optional>

namespace tovik {

// Option values that the command-line programs read alike.
class OptionText
{
public:
    struct MonitoringHours
    {
        int start = 0;
        int stop = 0;
    };

    // An option whose help shows its default, which the parser also gives when it is absent.
    static QCommandLineOption option(const QStringList &names, const QString &description,
        const QString &valueName = {}, const QString &defaultValue = {});
    // "--NAME", as a message names the option.
    static QString optionName(const QString &name);
    // A whole number from min to max; nothing for any other text.
    static std::optional<int> wholeNumber(const QString &text, int min, int max);
    // "START-STOP" as the window's two hour lists offer them: START 0 to 23, STOP 1 to 24, and
    // START before STOP.
    static std::optional<MonitoringHours> monitoringHours(const QString &text, QString *failure);
    // A local time 'YYYY-MM-DD HH:MM:SS', as --at takes it.
    static std::optional<QDateTime> localTime(const QString &text, QString *failure);
};

} // namespace tovik

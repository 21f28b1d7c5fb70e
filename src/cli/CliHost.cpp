#include "cli/CliHost.h"

#include "common/TickCounter.h"

#include <QCoreApplication>

namespace tovik {

CliHost::CliHost(CheckOptions options)
    : m_options(std::move(options))
{
}

std::optional<AlarmSetting> CliHost::alarmSetting(QString *failure) const
{
    const auto threshold = AlarmSetting::readThreshold(m_options.threshold, failure);
    const auto occurrences
        = threshold ? AlarmSetting::readOccurrences(m_options.occurrences, failure) : std::nullopt;
    if (!occurrences)
        return std::nullopt;
    return AlarmSetting {m_options.monStartHour, m_options.monStopHour, *threshold, *occurrences};
}

QDateTime CliHost::currentDateTime() const
{
    return QDateTime::currentDateTime();
}

quint32 CliHost::tickCount() const
{
    return systemTickCount();
}

QString CliHost::appPath() const
{
    return QCoreApplication::applicationDirPath();
}

} // namespace tovik

#include "cli/CliHost.h"

#include "common/TickCounter.h"

#include <QCoreApplication>

namespace tovik {

CliHost::CliHost(CheckOptions options)
    : m_options(std::move(options))
{
}

// The command line refused any value that is no setting, so reading it here cannot fail.
std::optional<AlarmSetting> CliHost::alarmSetting(QString *) const
{
    return m_options.alarm;
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

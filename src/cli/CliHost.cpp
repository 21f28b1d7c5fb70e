#include "cli/CliHost.h"

#include "common/TickCounter.h"
#include "host/ControlNames.h"

#include <QCoreApplication>

namespace tovik {

CliHost::CliHost(QHash<QString, QString> controlTexts, QDateTime referenceTime)
    : m_controlTexts(std::move(controlTexts))
    , m_referenceTime(std::move(referenceTime))
{
}

QString CliHost::controlText(const QString &control) const
{
    return m_controlTexts.value(control);
}

bool CliHost::isChecked(const QString &name) const
{
    return name == control::kChkCpuLoadMon;
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

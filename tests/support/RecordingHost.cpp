#include "RecordingHost.h"

#include "app/ControlNames.h"
#include "common/TickCounter.h"
#include "db/ConnectionTimeouts.h"

#include <QCoreApplication>

namespace tovik::test {

RecordingHost::RecordingHost()
    : m_referenceTime(QDateTime::currentDateTime())
    , m_appPath(QCoreApplication::applicationDirPath())
{
    setDefaults();
}

void RecordingHost::setDefaults()
{
    m_texts = {
        {control::kCboOnlConnType, "Windows Authentication"},
        {control::kTxtOnlDbServer, "127.0.0.1\\SNMPCONLINE"},
        {control::kTxtOnlDbPort, "1433"},
        {control::kTxtOnlDatabase, "SNMPCONLINE"},
        {control::kTxtOnlConnTimeout, QString::number(ConnectionTimeouts::kDefaultLoginSeconds)},
        {control::kTxtOnlDbUser, "sa"},
        {control::kTxtOnlDbPass, ""},
        {control::kCboCpuMonTimeStart, "06:00"},
        {control::kCboCpuMonTimeStop, "23:00"},
        {control::kTxtCpuLoadThreshold, "4"},
        {control::kTxtCpuOverThreshold, "1"},
    };
    m_checked = {{control::kChkCpuLoadMon, true}};
}

bool RecordingHost::monitorsCpuLoad() const
{
    return m_checked.value(control::kChkCpuLoadMon);
}

std::optional<AlarmSetting> RecordingHost::alarmSetting(QString *failure) const
{
    return AlarmSetting::fromShownTexts(
        {m_texts.value(control::kCboCpuMonTimeStart), m_texts.value(control::kCboCpuMonTimeStop),
            m_texts.value(control::kTxtCpuLoadThreshold),
            m_texts.value(control::kTxtCpuOverThreshold)},
        failure);
}

ConnectionFields RecordingHost::connectionFields() const
{
    return {m_texts.value(control::kCboOnlConnType), m_texts.value(control::kTxtOnlDbServer),
        m_texts.value(control::kTxtOnlDatabase), m_texts.value(control::kTxtOnlDbUser),
        m_texts.value(control::kTxtOnlDbPass), m_texts.value(control::kTxtOnlDbPort)};
}

int RecordingHost::loginTimeoutSeconds() const
{
    return ConnectionTimeouts::loginSecondsOf(m_texts.value(control::kTxtOnlConnTimeout));
}

void RecordingHost::setTestEnabled(bool enabled)
{
    testEnabled = enabled;
    events << (enabled ? QStringLiteral("enabled") : QStringLiteral("disabled"));
}

void RecordingHost::showWarning(const QString &text)
{
    warnings << text;
    events << QStringLiteral("warning:") + text;
}

void RecordingHost::openInViewer(const QString &path)
{
    viewerPaths << path;
    events << QStringLiteral("viewer:") + path;
}

void RecordingHost::processEvents()
{
    ++processEventsCalls;
    if (m_processEventsHook)
        m_processEventsHook(processEventsCalls);
}

QDateTime RecordingHost::currentDateTime() const
{
    return QDateTime::currentDateTime();
}

quint32 RecordingHost::tickCount() const
{
    return m_tickSource ? m_tickSource() : systemTickCount();
}

QDateTime RecordingHost::referenceTime() const
{
    return m_referenceTime;
}

QString RecordingHost::appPath() const
{
    return m_appPath;
}

} // namespace tovik::test

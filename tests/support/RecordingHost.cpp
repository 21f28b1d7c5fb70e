#include "RecordingHost.h"

#include "common/TickCounter.h"

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
        {"cboOnlConnType", "Windows Authentication"},
        {"txtOnlDbServer", "127.0.0.1\\SNMPCONLINE"},
        {"txtOnlDbPort", "1433"},
        {"txtOnlDatabase", "SNMPCONLINE"},
        {"txtOnlConnTimeout", "15"},
        {"txtOnlDbUser", "sa"},
        {"txtOnlDbPass", ""},
        {"cboCpuMonTimeStart", "06:00"},
        {"cboCpuMonTimeStop", "23:00"},
        {"txtCpuLoadThreshold", "4"},
        {"txtCpuOverThreshold", "1"},
    };
    m_checked = {{"chkCpuLoadMon", true}};
}

QString RecordingHost::controlText(const QString &control) const
{
    return m_texts.value(control);
}

bool RecordingHost::isChecked(const QString &control) const
{
    return m_checked.value(control);
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

#pragma once

#include "cli/CheckOptions.h"
#include "host/RunHost.h"

namespace tovik {

// The window's part in a run, without a window: the settings are the command line's, monitoring
// is on, and nothing is shown or waited for.
class CliHost : public RunHost
{
public:
    explicit CliHost(CheckOptions options);

    bool monitorsCpuLoad() const override { return true; }
    std::optional<AlarmSetting> alarmSetting(QString *failure) const override;
    ConnectionFields connectionFields() const override { return m_options.connection.fields; }
    int loginTimeoutSeconds() const override { return m_options.connection.loginTimeoutSeconds; }
    ConnectionSecurity connectionSecurity() const override { return m_options.connection.security; }
    void setTestEnabled(bool) override { }
    void showWarning(const QString &) override { }
    void openInViewer(const QString &) override { }
    void processEvents() override { }
    QDateTime currentDateTime() const override;
    quint32 tickCount() const override;
    QDateTime referenceTime() const override { return m_options.referenceTime; }
    QString appPath() const override;

private:
    CheckOptions m_options;
};

} // namespace tovik

#pragma once

#include "host/RunHost.h"

#include <QHash>
#include <QStringList>
#include <functional>

namespace tovik::test {

// A window stand-in for runs without a display: controls are plain texts by the window's control
// names, and everything the run does to the window is recorded in order.
class RecordingHost : public RunHost
{
public:
    RecordingHost();

    // The typed settings as the window gives them from the texts its controls would show.
    bool monitorsCpuLoad() const override;
    std::optional<AlarmSetting> alarmSetting(QString *failure) const override;
    ConnectionFields connectionFields() const override;
    int loginTimeoutSeconds() const override;
    void setTestEnabled(bool enabled) override;
    void showWarning(const QString &text) override;
    void openInViewer(const QString &path) override;
    void processEvents() override;
    QDateTime currentDateTime() const override;
    quint32 tickCount() const override;
    QDateTime referenceTime() const override;
    QString appPath() const override;

    // The window's defaults, with the monitoring gate ticked.
    void setDefaults();
    void setText(const QString &control, const QString &text) { m_texts[control] = text; }
    void setChecked(const QString &control, bool checked) { m_checked[control] = checked; }
    void setReferenceTime(const QDateTime &time) { m_referenceTime = time; }
    void setAppPath(const QString &path) { m_appPath = path; }
    // Replaces the real tick counter, e.g. to place a wrap of the counter inside a run.
    void setTickSource(std::function<quint32()> source) { m_tickSource = std::move(source); }
    // Runs on the n-th processEvents call (1-based), to act while the run waits.
    void onProcessEvents(std::function<void(int)> hook) { m_processEventsHook = std::move(hook); }

    // "enabled", "disabled", "warning:<text>", "viewer:<path>", in the order they happened.
    QStringList events;
    QStringList warnings;
    QStringList viewerPaths;
    int processEventsCalls = 0;
    bool testEnabled = true;

private:
    QHash<QString, QString> m_texts;
    QHash<QString, bool> m_checked;
    QDateTime m_referenceTime;
    QString m_appPath;
    std::function<quint32()> m_tickSource;
    std::function<void(int)> m_processEventsHook;
};

} // namespace tovik::test

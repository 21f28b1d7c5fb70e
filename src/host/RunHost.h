#pragma once

#include "db/ConnectionFields.h"
#include "db/ConnectionSecurity.h"
#include "monitoring/AlarmSetting.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace tovik {

// Everything a test run asks of the window. A run asks for each setting at the moment it needs
// it, typed: the window answers from what its controls show then, the check from its options,
// tests from a recording implementation, so a whole run needs no display.
class RunHost
{
public:
    virtual ~RunHost();

    // Whether CPU-load monitoring is on; a run without it does nothing.
    virtual bool monitorsCpuLoad() const = 0;
    // Nothing, with the message for the user, when a value is none the setting takes.
    virtual std::optional<AlarmSetting> alarmSetting(QString *failure) const = 0;
    virtual ConnectionFields connectionFields() const = 0;
    virtual int loginTimeoutSeconds() const = 0;
    // The window has no choice of its own and connects as it always did.
    virtual ConnectionSecurity connectionSecurity() const { return {}; }
    virtual void setTestEnabled(bool enabled) = 0;
    // A modal warning box: title "Tovik SQL Tester", exclamation icon, OK only.
    virtual void showWarning(const QString &text) = 0;
    // Opens a file with the desktop's viewer; returns at once, the outcome is not reported.
    virtual void openInViewer(const QString &path) = 0;
    virtual void processEvents() = 0;

    virtual QDateTime currentDateTime() const = 0;
    // 32-bit millisecond tick count; it wraps to 0 after 2^32 ms.
    virtual quint32 tickCount() const = 0;
    // The moment fixed by the last hour selection.
    virtual QDateTime referenceTime() const = 0;
    // Directory of the running executable.
    virtual QString appPath() const = 0;
};

} // namespace tovik

#pragma once

#include <QDateTime>
#include <QString>

namespace tovik {

// Everything a test run asks of the window. The window answers with its real widgets;
// tests answer with a recording implementation, so a whole run needs no display.
class RunHost
{
public:
    virtual ~RunHost();

    // The shown text of a text box or drop-down list, by the control's objectName.
    virtual QString controlText(const QString &control) const = 0;
    virtual bool isChecked(const QString &control) const = 0;
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

#pragma once

#include "host/RunHost.h"

#include <QHash>

namespace tovik {

// The window's part in a run, without a window: the controls are the texts of the command line,
// the monitoring gate is ticked, and nothing is shown or waited for.
class CliHost : public RunHost
{
public:
    CliHost(QHash<QString, QString> controlTexts, QDateTime referenceTime);

    QString controlText(const QString &control) const override;
    bool isChecked(const QString &name) const override;
    void setTestEnabled(bool) override { }
    void showWarning(const QString &) override { }
    void openInViewer(const QString &) override { }
    void processEvents() override { }
    QDateTime currentDateTime() const override;
    quint32 tickCount() const override;
    QDateTime referenceTime() const override { return m_referenceTime; }
    QString appPath() const override;

private:
    QHash<QString, QString> m_controlTexts;
    QDateTime m_referenceTime;
};

} // namespace tovik

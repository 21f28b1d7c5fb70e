#pragma once

#include "explorer/ExplorerText.h"

#include <QObject>

class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;

namespace tovik {

// Run, Cancel, the progress and the status text in the window's status bar, in sight however the
// panels are placed.
class StatusLine : public QObject
{
    Q_OBJECT

public:
    explicit StatusLine(QStatusBar *bar);

    QPushButton *runButton() const { return m_run; }
    QPushButton *cancelButton() const { return m_cancel; }
    QString text() const;
    void show(const ExplorerText::StatusMessage &message);
    void showStarted();
    void showProgress(int report, int reports);
    void showFinished();
    void showEnded(const ExplorerText::StatusMessage &message);

private:
    QPushButton *m_run = nullptr;
    QPushButton *m_cancel = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_status = nullptr;
};

} // namespace tovik

#include "explorer/StatusLine.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

namespace tovik {

StatusLine::StatusLine(QStatusBar *bar)
    : QObject(bar)
{
    m_run = new QPushButton(tr("&Run"));
    m_run->setObjectName(QStringLiteral("run"));
    m_run->setDefault(true);
    m_cancel = new QPushButton(tr("&Cancel"));
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setTextVisible(true);
    m_progress->setMaximumWidth(bar->fontMetrics().horizontalAdvance(QStringLiteral("0")) * 24);
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    // A wrapped label asks for the lines of a width of its own; two lines are what a wide window
    // needs, and the tooltip holds the whole of a longer text.
    m_status->setMaximumHeight(2 * bar->fontMetrics().lineSpacing());
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bar->setSizeGripEnabled(false);
    bar->addWidget(m_run);
    bar->addWidget(m_cancel);
    bar->addWidget(m_status, 1);
    bar->addPermanentWidget(m_progress);
    show({ExplorerText::firstStatus()});
}

QString StatusLine::text() const
{
    return m_status->text();
}

void StatusLine::show(const ExplorerText::StatusMessage &message)
{
    m_status->setText(message.text);
    m_status->setToolTip(message.text);
    m_status->setStyleSheet(message.failure ? QStringLiteral("color: #b00000") : QString());
}

void StatusLine::showStarted()
{
    m_progress->setRange(0, 0);
    show({ExplorerText::connecting()});
}

void StatusLine::showProgress(int report, int reports)
{
    m_progress->setRange(0, reports);
    m_progress->setValue(report - 1);
    show({ExplorerText::reportProgress(report, reports)});
}

void StatusLine::showFinished()
{
    m_progress->setRange(0, 1);
    m_progress->setValue(1);
}

void StatusLine::showEnded(const ExplorerText::StatusMessage &message)
{
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    show(message);
}

} // namespace tovik

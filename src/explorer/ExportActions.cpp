#include "explorer/ExportActions.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>

namespace tovik {

ExportActions::ExportActions(QWidget *window, Writer csv, Writer chart, Writer report)
    : QObject(window)
    , m_window(window)
    , m_csv(std::move(csv))
    , m_chart(std::move(chart))
    , m_report(std::move(report))
{
    m_csvAction = new QAction(tr("&Export CSV..."), this);
    m_csvAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(m_csvAction, &QAction::triggered, this, &ExportActions::askCsv);
    m_pngAction = new QAction(tr("Export chart as &PNG..."), this);
    m_pngAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    connect(m_pngAction, &QAction::triggered, this,
        [this] { askChart(tr("PNG pictures (*.png)"), QStringLiteral(".png")); });
    m_svgAction = new QAction(tr("Export chart as &SVG..."), this);
    connect(m_svgAction, &QAction::triggered, this,
        [this] { askChart(tr("SVG drawings (*.svg)"), QStringLiteral(".svg")); });
    m_reportAction = new QAction(tr("Export &report..."), this);
    connect(m_reportAction, &QAction::triggered, this, &ExportActions::askReport);
}

void ExportActions::addTo(QMenu *menu)
{
    menu->addActions({m_csvAction, m_pngAction, m_svgAction, m_reportAction});
}

void ExportActions::setResultShown(bool shown)
{
    m_csvAction->setEnabled(shown);
    m_reportAction->setEnabled(shown);
}

void ExportActions::write(const Writer &writer, const QString &what, const QString &path)
{
    if (path.isEmpty())
        return;
    QString failure;
    if (writer(path, &failure))
        emit written(what, path);
    else
        emit failed(failure);
}

void ExportActions::askCsv()
{
    write(m_csv, tr("CSV"),
        QFileDialog::getSaveFileName(
            m_window, tr("Export CSV"), QStringLiteral("sweep.csv"), tr("CSV files (*.csv)")));
}

void ExportActions::askChart(const QString &filter, const QString &suffix)
{
    write(m_chart, tr("Chart"),
        QFileDialog::getSaveFileName(
            m_window, tr("Export chart"), QStringLiteral("caught-per-hour") + suffix, filter));
}

void ExportActions::askReport()
{
    const QString pdf = tr("PDF documents (*.pdf)");
    QString filter = pdf;
    QString path = QFileDialog::getSaveFileName(m_window, tr("Export report"),
        QStringLiteral("cpu-load-report.pdf"),
        pdf + QStringLiteral(";;") + tr("HTML pages (*.html *.htm)"), &filter);
    // A name without its suffix takes the chosen filter's.
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += filter == pdf ? QStringLiteral(".pdf") : QStringLiteral(".html");
    write(m_report, tr("Report"), path);
}

} // namespace tovik

#pragma once

#include <QObject>
#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace tovik {

// The File menu's exports of the result on screen: each asks where to write and hands the path
// to its writer.
class ExportActions : public QObject
{
    Q_OBJECT

public:
    // Writes the result on screen to path; false, with the reason, when it could not.
    using Writer = std::function<bool(const QString &path, QString *failure)>;

    ExportActions(QWidget *window, Writer csv, Writer chart, Writer report);

    void addTo(QMenu *menu);
    // The exports that need a result are offered only while one is on screen.
    void setResultShown(bool shown);

signals:
    // what names the export for the status line: "CSV", "Chart" or "Report".
    void written(const QString &what, const QString &path);
    void failed(const QString &description);

private:
    void askCsv();
    void askChart(const QString &filter, const QString &suffix);
    void askReport();
    void write(const Writer &writer, const QString &what, const QString &path);

    QWidget *m_window;
    Writer m_csv;
    Writer m_chart;
    Writer m_report;
    QAction *m_csvAction = nullptr;
    QAction *m_pngAction = nullptr;
    QAction *m_svgAction = nullptr;
    QAction *m_reportAction = nullptr;
};

} // namespace tovik

#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>

class QTextDocument;

namespace tovik {

class SweepReport;

// A report as one page of HTML and its pictures, for a PDF's document and for a page of its
// own alike.
class ReportPage
{
public:
    static inline const QString kTitle = QStringLiteral("CPU load alarm report");
    // The width of a page's text in the document's pixels: A4 less its margins.
    static constexpr int kTextWidth = 680;

    explicit ReportPage(const SweepReport &report);

    // The page in document, its pictures among the document's resources.
    void fill(QTextDocument &document) const;
    // A page that needs nothing else: its pictures inline, no reference to anything outside.
    QByteArray standaloneHtml() const;

private:
    // The address of a picture in the page's img elements.
    using Source = std::function<QString(const QString &name, const QImage &picture)>;

    QString html(const Source &source) const;
    QString headerHtml() const;
    QString picturesHtml(const Source &source) const;
    QString surfaceHtml() const;
    QString budgetLegend() const;
    QString surfaceCell(int step, qint16 occurrences) const;
    QString devicesHtml() const;
    QString incidentsHtml() const;
    QString noiseHtml() const;

    const SweepReport &m_report;
    QImage m_heatmap;
    QImage m_chart;
};

} // namespace tovik

#include "report/ReportWriter.h"

#include "output/OutputFile.h"
#include "report/ReportPage.h"

#include <QFileDevice>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

namespace tovik {

namespace {

constexpr qreal kMarginMm = 15;

} // namespace

ReportWriter::Format ReportWriter::formatOf(const QString &path)
{
    return path.endsWith(QLatin1String(".html"), Qt::CaseInsensitive)
            || path.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive)
        ? Format::Html
        : Format::Pdf;
}

bool ReportWriter::write(QIODevice &device, const SweepReport &report, Format format)
{
    if (format == Format::Pdf)
        return writePdf(device, report);
    const QByteArray html = ReportPage(report).standaloneHtml();
    return device.write(html) == html.size();
}

bool ReportWriter::writePdf(QIODevice &device, const SweepReport &report)
{
    QPdfWriter pdf(&device);
    pdf.setTitle(ReportPage::kTitle);
    pdf.setCreator(QStringLiteral("Tovik SQL Tester"));
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
        QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter));
    QTextDocument document;
    ReportPage(report).fill(document);
    // Laid out on a page of the text's width in the pictures' pixels, so that print() scales the
    // page, pictures and text alike, onto the A4 page within its margins.
    const QSizeF text = pdf.pageLayout().paintRect(QPageLayout::Millimeter).size();
    document.setDocumentMargin(0);
    document.setPageSize(
        QSizeF(ReportPage::kTextWidth, ReportPage::kTextWidth * text.height() / text.width()));
    document.print(&pdf);
    // QPdfWriter does not check its writes; a file keeps the first failure.
    const auto *file = qobject_cast<const QFileDevice *>(&device);
    return !file || file->error() == QFileDevice::NoError;
}

bool ReportWriter::writeFile(
    const QString &path, const SweepReport &report, Format format, QString *reason)
{
    const auto fill = [&](QIODevice &device) { return write(device, report, format); };
    return OutputFile::write(path, OutputFile::Access::Private, fill, reason);
}

} // namespace tovik

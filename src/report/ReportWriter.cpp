#include "report/ReportWriter.h"

#include "output/OutputFile.h"
#include "report/ReportPage.h"

#include <QAbstractTextDocumentLayout>
#include <QFileDevice>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

namespace tovik {

namespace {

constexpr qreal kMarginMm = 15;

// Where a block's first line lies in the document. A block whose first line moved on to the next
// page keeps its top where it began, on the page before.
qreal firstLineTop(const QTextDocument &document, const QTextBlock &block)
{
    // Lays the document out as far as the block.
    const qreal top = document.documentLayout()->blockBoundingRect(block).top();
    const QTextLayout *layout = block.layout();
    return top + (layout->lineCount() > 0 ? layout->lineAt(0).y() : 0);
}

// A heading never ends a page: one whose next block begins on a later page begins that page. A
// picture too tall for the rest of a page would otherwise leave its heading behind.
void keepHeadingsWithNext(QTextDocument &document)
{
    const qreal pageHeight = document.pageSize().height();
    // A line moved to a page's top lies there but for the rounding of its offset.
    const auto pageOf = [&document, pageHeight](const QTextBlock &block) {
        return int((firstLineTop(document, block) + 0.5) / pageHeight);
    };
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        if (format.headingLevel() == 0 || !block.next().isValid()
            || pageOf(block.next()) == pageOf(block))
            continue;
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        QTextCursor(block).setBlockFormat(format);
    }
}

// As QTextDocument::print() does, but with the pictures kept as they are: its painter would store
// them as JPEG, blurring their edges and names.
void printPages(QTextDocument &document, QPdfWriter &pdf)
{
    QPainter painter(&pdf);
    painter.setRenderHint(QPainter::LosslessImageRendering);
    const qreal scale = pdf.width() / document.pageSize().width();
    painter.scale(scale, scale);
    const QSizeF page = document.pageSize();
    for (int index = 0; index < document.pageCount(); ++index) {
        if (index > 0)
            pdf.newPage();
        const QRectF shown(QPointF(0, index * page.height()), page);
        painter.save();
        painter.translate(0, -shown.top());
        document.drawContents(&painter, shown);
        painter.restore();
    }
}

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
    // Laid out on a page of the text's width in the pictures' points, so that the page, pictures
    // and text alike are scaled onto the A4 page within its margins.
    const QSizeF text = pdf.pageLayout().paintRect(QPageLayout::Millimeter).size();
    document.setDocumentMargin(0);
    document.setPageSize(
        QSizeF(ReportPage::kTextWidth, ReportPage::kTextWidth * text.height() / text.width()));
    keepHeadingsWithNext(document);
    printPages(document, pdf);
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

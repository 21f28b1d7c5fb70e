#pragma once

#include <QIODevice>
#include <QString>

namespace tovik {

class SweepReport;

// Writes a report as a PDF or as an HTML page. Drawing its pictures and laying out its pages
// needs a QGuiApplication.
class ReportWriter
{
public:
    enum class Format { Pdf, Html };

    // HTML for a name ending in .html or .htm, else PDF.
    static Format formatOf(const QString &path);

    static bool write(QIODevice &device, const SweepReport &report, Format format);
    // The file at path is replaced whole or not at all, readable by its owner only: a report
    // names devices. False, with the reason, when it could not be written.
    static bool writeFile(
        const QString &path, const SweepReport &report, Format format, QString *reason);

private:
    static bool writePdf(QIODevice &device, const SweepReport &report);
};

} // namespace tovik

#include "PdfText.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace tovik::test {

namespace {

std::optional<QString> toolOutput(
    const QString &tool, const QStringList &arguments, QString *failure)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        *failure = tool + QStringLiteral(" failed: ")
            + QString::fromLocal8Bit(process.readAllStandardError());
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

bool pdfToolsInstalled()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("pdfimages")).isEmpty();
}

std::optional<QString> pdfText(const QString &path, QString *failure)
{
    const auto text = toolOutput(QStringLiteral("pdftotext"),
        {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")}, failure);
    return text ? std::optional(text->simplified()) : std::nullopt;
}

std::optional<QStringList> pdfPageTexts(const QString &path, QString *failure)
{
    const auto text = toolOutput(QStringLiteral("pdftotext"),
        {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")}, failure);
    if (!text)
        return std::nullopt;
    // pdftotext ends every page with a form feed.
    QStringList pages = text->split(u'\f');
    pages.removeLast();
    for (QString &page : pages)
        page = page.simplified();
    return pages;
}

std::optional<QList<int>> pdfImagePages(const QString &path, QString *failure)
{
    const auto list
        = toolOutput(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path}, failure);
    if (!list)
        return std::nullopt;
    // Two lines of headings, then one line per picture that begins with its page.
    QList<int> pages;
    for (const QString &line : list->split(u'\n', Qt::SkipEmptyParts).mid(2))
        pages << line.section(u' ', 0, 0, QString::SectionSkipEmpty).toInt();
    return pages;
}

std::optional<int> pdfPageCount(const QString &path, QString *failure)
{
    const auto info = toolOutput(QStringLiteral("pdfinfo"), {path}, failure);
    if (!info)
        return std::nullopt;
    static const QRegularExpression pages(
        QStringLiteral("^Pages:\\s+(\\d+)$"), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = pages.match(*info);
    if (match.hasMatch())
        return match.captured(1).toInt();
    *failure = QStringLiteral("pdfinfo named no page count: ") + *info;
    return std::nullopt;
}

} // namespace tovik::test

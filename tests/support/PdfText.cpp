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
        && !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty();
}

std::optional<QString> pdfText(const QString &path, QString *failure)
{
    const auto text = toolOutput(QStringLiteral("pdftotext"),
        {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")}, failure);
    return text ? std::optional(text->simplified()) : std::nullopt;
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

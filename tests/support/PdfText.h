#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tovik::test {

// What poppler's tools read back from a PDF. Nothing when the tool is not installed or could not
// read the file; the reason then in failure.
bool pdfToolsInstalled();
// The text of every page, runs of white space as one space.
std::optional<QString> pdfText(const QString &path, QString *failure);
// The text of each page in turn, runs of white space as one space.
std::optional<QStringList> pdfPageTexts(const QString &path, QString *failure);
// The page number, from 1, of each picture in the order the pages show them.
std::optional<QList<int>> pdfImagePages(const QString &path, QString *failure);
std::optional<int> pdfPageCount(const QString &path, QString *failure);

} // namespace tovik::test

#pragma once

#include <QString>
#include <optional>

namespace tovik::test {

// What poppler's tools read back from a PDF. Nothing when the tool is not installed or could not
// read the file; the reason then in failure.
bool pdfToolsInstalled();
// The text of every page, runs of white space as one space.
std::optional<QString> pdfText(const QString &path, QString *failure);
std::optional<int> pdfPageCount(const QString &path, QString *failure);

} // namespace tovik::test

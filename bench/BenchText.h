#pragma once

#include <QString>
#include <QTextStream>

namespace tovik::bench::BenchText {

// The series' printed figures, on standard output.
QTextStream &out();
// One indented figure: its label in a column, then its value.
void line(const QString &label, const QString &value);
QString ms(qint64 nanoseconds);
QString mib(qint64 kib);
QString verdict(bool met);

} // namespace tovik::bench::BenchText

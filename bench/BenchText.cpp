#include "BenchText.h"

namespace tovik::bench::BenchText {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

void line(const QString &label, const QString &value)
{
    out() << "  " << label.leftJustified(26) << value << Qt::endl;
}

QString ms(qint64 nanoseconds)
{
    return QString::number(double(nanoseconds) / 1e6, 'f', 1) + QStringLiteral(" ms");
}

QString mib(qint64 kib)
{
    return QString::number(double(kib) / 1024.0, 'f', 1) + QStringLiteral(" MiB");
}

QString verdict(bool met)
{
    return met ? QStringLiteral("met") : QStringLiteral("MISSED");
}

} // namespace tovik::bench::BenchText

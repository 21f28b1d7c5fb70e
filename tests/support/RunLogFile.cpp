#include "RunLogFile.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QRegularExpression>

namespace tovik::test {

QString readRunLogFile(const QString &dir)
{
    QFile file(QDir(dir).filePath(kRunLogName));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<no run-log file>");
    return QString::fromLocal8Bit(file.readAll());
}

QString withoutTimings(const QString &text)
{
    QString result = text;
    // The lines end in CR LF; the pattern's end anchor sits before the CR.
    static const QRegularExpression figure(QStringLiteral("Time = \\d+ ms\\r\\n"));
    result.replace(figure, QStringLiteral("Time = # ms\r\n"));
    return result;
}

QList<quint32> timingFigures(const QString &text)
{
    QList<quint32> figures;
    static const QRegularExpression figure(QStringLiteral("Time = (\\d+) ms\\r\\n"));
    auto it = figure.globalMatch(text);
    while (it.hasNext())
        figures << it.next().captured(1).toUInt();
    return figures;
}

} // namespace tovik::test

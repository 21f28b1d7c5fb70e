#include "ChildReport.h"

#include "ProcessFigures.h"

#include <QTextStream>

namespace tovik::bench {

void ChildReport::print(const QString &key, const QString &value)
{
    static QTextStream out(stdout);
    QString line = value;
    line.replace(u'\n', u' ');
    out << key << ' ' << line << Qt::endl;
}

void ChildReport::print(const QString &key, qint64 value)
{
    print(key, QString::number(value));
}

void ChildReport::printMemory(qint64 idleKib)
{
    print(QStringLiteral("idle_kib"), idleKib);
    print(QStringLiteral("peak_kib"), ProcessFigures::statusKib("VmHWM").value_or(-1));
}

int ChildReport::fail(const QString &child, const QString &failure)
{
    QTextStream(stderr) << "run_bench " << child << ": " << failure << Qt::endl;
    return 1;
}

ChildReport ChildReport::parse(const QByteArray &output)
{
    ChildReport report;
    for (const QString &line : QString::fromUtf8(output).split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype space = line.indexOf(u' ');
        if (space > 0)
            report.m_lines.append({line.left(space), line.mid(space + 1)});
    }
    return report;
}

QStringList ChildReport::values(const QString &key) const
{
    QStringList found;
    for (const auto &[name, value] : m_lines) {
        if (name == key)
            found << value;
    }
    return found;
}

std::optional<qint64> ChildReport::number(const QString &key) const
{
    const QStringList found = values(key);
    if (found.size() != 1)
        return std::nullopt;
    bool ok = false;
    const qint64 value = found.first().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace tovik::bench

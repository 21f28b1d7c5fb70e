#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tovik::bench {

// What a child process hands back to the series: one "key value" line per figure on its standard
// output. A key may stand on several lines; the values keep their order.
class ChildReport
{
public:
    static void print(const QString &key, const QString &value);
    static void print(const QString &key, qint64 value);
    // The resident size before the measured work as idle_kib, the peak since as peak_kib.
    static void printMemory(qint64 idleKib);
    // Tells why the child failed on standard error; the process exit code.
    static int fail(const QString &child, const QString &failure);

    static ChildReport parse(const QByteArray &output);
    std::optional<qint64> number(const QString &key) const;
    QStringList values(const QString &key) const;

private:
    QList<QPair<QString, QString>> m_lines;
};

} // namespace tovik::bench

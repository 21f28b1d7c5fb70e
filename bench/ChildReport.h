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

    static ChildReport parse(const QByteArray &output);
    std::optional<qint64> number(const QString &key) const;
    QStringList values(const QString &key) const;

private:
    QList<QPair<QString, QString>> m_lines;
};

} // namespace tovik::bench

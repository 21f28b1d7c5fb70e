#include "ProcessFigures.h"

#include <QFile>
#include <QList>
#include <sys/resource.h>

namespace tovik::bench::ProcessFigures {

std::optional<qint64> statusKib(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray prefix = field + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (!line.startsWith(prefix))
            continue;
        // "VmHWM:	   12345 kB"
        const QList<QByteArray> parts = line.mid(prefix.size()).simplified().split(' ');
        bool ok = false;
        const qint64 value = parts.value(0).toLongLong(&ok);
        if (ok)
            return value;
    }
    return std::nullopt;
}

bool resetPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

qint64 cpuMicroseconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto micros
        = [](const timeval &time) { return qint64(time.tv_sec) * 1000000 + time.tv_usec; };
    return micros(usage.ru_utime) + micros(usage.ru_stime);
}

} // namespace tovik::bench::ProcessFigures

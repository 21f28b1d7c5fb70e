#include "sweep/TuneCsv.h"

#include "sweep/BufferedOutput.h"
#include "sweep/TuningSurface.h"

namespace tovik {

bool TuneCsv::write(
    QIODevice &device, const TuningSurface &surface, const SweepSettings &, std::optional<double>)
{
    BufferedOutput out(device);
    out << QByteArrayLiteral("threshold,occurrences,alarms,devices,hours,peak\r\n");
    for (int step = 0; step < surface.ladder().size(); ++step) {
        for (qint16 o = 1; o <= surface.occurrencesUpTo(); ++o) {
            const SurfaceCell &cell = surface.cell(step, o);
            out << qint64(surface.ladder().threshold(step)) << QByteArrayLiteral(",") << qint64(o)
                << QByteArrayLiteral(",") << cell.alarms << QByteArrayLiteral(",")
                << qint64(cell.devices) << QByteArrayLiteral(",") << qint64(cell.hours)
                << QByteArrayLiteral(",") << qint64(cell.peak) << QByteArrayLiteral("\r\n");
        }
    }
    return out.finish();
}

} // namespace tovik

#include "common/TickCounter.h"

#include <QElapsedTimer>

namespace tovik {

quint32 systemTickCount()
{
    // The monotonic clock counts from boot on Linux and Windows alike, as the old tick counter did.
    QElapsedTimer timer;
    timer.start();
    return static_cast<quint32>(timer.msecsSinceReference());
}

} // namespace tovik

#include "output/Pause.h"

#include "host/RunHost.h"

#include <QThread>

namespace tovik {

void Pause(RunHost &host, qint16 milliseconds)
{
    const int cycles = milliseconds / 10;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        QThread::msleep(10);
        host.processEvents();
    }
}

} // namespace tovik

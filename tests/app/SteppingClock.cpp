#include "SteppingClock.h"

namespace tovik::test {

SteppingClock::SteppingClock(const QDateTime &time)
    : m_times({time})
{
}

void SteppingClock::setTimes(const QList<QDateTime> &times)
{
    m_times = times;
    m_readings = 0;
}

QDateTime SteppingClock::read()
{
    const qsizetype index = qMin<qsizetype>(m_readings, m_times.size() - 1);
    ++m_readings;
    return m_times.value(index);
}

} // namespace tovik::test

#pragma once

#include <QDateTime>
#include <QList>

namespace tovik::test {

// A clock that hands out the given times one per reading and then keeps the last one, so a
// test decides what each reading of the window sees.
class SteppingClock
{
public:
    explicit SteppingClock(const QDateTime &time = {});

    void setTimes(const QList<QDateTime> &times);
    void setTime(const QDateTime &time) { setTimes({time}); }
    QDateTime read();
    int readings() const { return m_readings; }

private:
    QList<QDateTime> m_times;
    int m_readings = 0;
};

} // namespace tovik::test

#pragma once

#include <QByteArray>

namespace tovik::test {

// TZ set for as long as it lives, in this process and the children it starts (the sample data's
// times are local); the variable as it was afterwards, unset when it was.
class ZoneScope
{
public:
    explicit ZoneScope(const QByteArray &zone);
    ~ZoneScope();
    ZoneScope(const ZoneScope &) = delete;
    ZoneScope &operator=(const ZoneScope &) = delete;

private:
    bool m_wasSet;
    QByteArray m_was;
};

} // namespace tovik::test

#include "ZoneScope.h"

#include <QtGlobal>

namespace tovik::test {

ZoneScope::ZoneScope(const QByteArray &zone)
    : m_wasSet(qEnvironmentVariableIsSet("TZ"))
    , m_was(qgetenv("TZ"))
{
    qputenv("TZ", zone);
}

ZoneScope::~ZoneScope()
{
    if (m_wasSet)
        qputenv("TZ", m_was);
    else
        qunsetenv("TZ");
}

} // namespace tovik::test

#include "db/ServerEndpoint.h"

namespace tovik {

ServerEndpoint ServerEndpoint::of(const ConnectionFields &fields)
{
    if (fields.authMode() == AuthMode::RemoteSql)
        return {fields.SqlDbServer, {}, fields.SqlDbPort};
    const QString host = fields.SqlDbServer.section(u'\\', 0, 0);
    const QString instance = fields.SqlDbServer.section(u'\\', 1);
    if (!instance.isEmpty())
        return {host, instance, {}};
    // "host,port" is how the driver's string names a port in the modes without a Port field.
    if (host.contains(u','))
        return {host.section(u',', 0, 0).trimmed(), {}, host.section(u',', 1).trimmed()};
    return {host, {}, QString::number(kDefaultPort)};
}

} // namespace tovik

#include "testrun/HostFields.h"

#include "host/RunHost.h"

namespace tovik {

ConnectionFields readConnectionFields(const RunHost &host)
{
    return {
        host.controlText(QStringLiteral("cboOnlConnType")),
        host.controlText(QStringLiteral("txtOnlDbServer")),
        host.controlText(QStringLiteral("txtOnlDatabase")),
        host.controlText(QStringLiteral("txtOnlDbUser")),
        host.controlText(QStringLiteral("txtOnlDbPass")),
        host.controlText(QStringLiteral("txtOnlDbPort")),
    };
}

} // namespace tovik

#include "db/ConnectionFields.h"

#include "testrun/RunHost.h"

namespace tovik {

ConnectionFields ConnectionFields::read(const RunHost &host)
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

ConnectionFields ConnectionFields::masked() const
{
    ConnectionFields copy = *this;
    if (!copy.SqlDbPass.isEmpty())
        copy.SqlDbPass = QStringLiteral("****");
    return copy;
}

} // namespace tovik

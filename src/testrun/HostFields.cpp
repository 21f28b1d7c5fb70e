#include "testrun/HostFields.h"

#include "host/ControlNames.h"
#include "host/RunHost.h"

namespace tovik {

ConnectionFields readConnectionFields(const RunHost &host)
{
    return {
        host.controlText(control::kCboOnlConnType),
        host.controlText(control::kTxtOnlDbServer),
        host.controlText(control::kTxtOnlDatabase),
        host.controlText(control::kTxtOnlDbUser),
        host.controlText(control::kTxtOnlDbPass),
        host.controlText(control::kTxtOnlDbPort),
    };
}

} // namespace tovik

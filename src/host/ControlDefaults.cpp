#include "host/ControlDefaults.h"

#include <QSysInfo>

namespace tovik::control {

QString defaultServer()
{
    return QSysInfo::machineHostName() + u'\\' + kDefaultServerInstance;
}

} // namespace tovik::control

#include "common/NodeName.h"

namespace tovik {

QString NodeName::of(const QString &nodeName, qint32 nodeId)
{
    return nodeName.isEmpty() ? QStringLiteral("node ") + QString::number(nodeId) : nodeName;
}

} // namespace tovik

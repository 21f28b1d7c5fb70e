#pragma once

#include <QString>

namespace tovik {

// How every program names a device to the user. A node missing from ATR_Nodes, or listed there
// without a name, still needs words rather than a bare number beside other names.
class NodeName
{
public:
    // node_name, or "node <node_id>" when it is blank.
    static QString of(const QString &nodeName, qint32 nodeId);
};

} // namespace tovik

#pragma once

#include <QList>

namespace tovik {

// A node that reached the threshold in one report, with the number of its samples that did.
// A node id of 0 marks a slot whose node id did not convert; it takes no further part.
struct NodeHit
{
    qint32 nodeId = 0;
    qint16 count = 0;
    qint32 reportId = 0;
};

using NodeHitList = QList<NodeHit>;

} // namespace tovik

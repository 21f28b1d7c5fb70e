#pragma once

#include "common/ValueText.h"
#include "db/QueryRows.h"

#include <QString>

namespace tovik {

// What ATR_Nodes holds of one node.
struct NodeAttributes
{
    QString name;
    QString address;
    // Only a test run reads it, for its test trap; a sweep leaves it out.
    QString trapCommunity = {};

    // node_name, address and trapcomm from consecutive columns from nameColumn on; a NULL or a
    // column the row does not have leaves its text empty.
    static NodeAttributes fromRow(const QueryRow &row, int nameColumn)
    {
        return {valueText(column(row, nameColumn)), valueText(column(row, nameColumn + 1)),
            valueText(column(row, nameColumn + 2))};
    }
};

} // namespace tovik

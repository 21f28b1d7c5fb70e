#pragma once

#include "db/ConnectionFields.h"

namespace tovik {

// The connection strings a run shows in its run log, one form per authentication choice for the
// monitoring database and one for a report's own database. They are never sent: what reaches the
// driver is OdbcConnectionString.
class ShownConnectionString
{
public:
    // Empty for a choice that is none of the three.
    static QString main(const ConnectionFields &fields);
    static QString report(const ConnectionFields &fields, qint32 reportId);

private:
    static QString build(const ConnectionFields &fields, const QString &database);
};

} // namespace tovik

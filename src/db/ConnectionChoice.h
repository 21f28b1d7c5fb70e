#pragma once

#include "db/ConnectionFields.h"
#include "db/ConnectionTimeouts.h"

namespace tovik {

// A connection as a program without the tester's window holds it: the fields and the login
// timeout.
struct ConnectionChoice
{
    ConnectionFields fields;
    int loginTimeoutSeconds = ConnectionTimeouts::kDefaultLoginSeconds;

    // What the tester's window shows before the user changes it.
    static ConnectionChoice defaults();
};

} // namespace tovik

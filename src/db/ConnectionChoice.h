#pragma once

#include "db/ConnectionFields.h"
#include "db/ConnectionSecurity.h"
#include "db/ConnectionTimeouts.h"

namespace tovik {

// A connection as a program without the tester's window holds it: the fields, the login
// timeout and its protection.
struct ConnectionChoice
{
    ConnectionFields fields;
    int loginTimeoutSeconds = ConnectionTimeouts::kDefaultLoginSeconds;
    ConnectionSecurity security;
};

} // namespace tovik

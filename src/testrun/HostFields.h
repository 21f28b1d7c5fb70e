#pragma once

#include "db/ConnectionFields.h"

namespace tovik {

class RunHost;

// The connection fields as the host shows them at the moment they are read.
ConnectionFields readConnectionFields(const RunHost &host);

} // namespace tovik

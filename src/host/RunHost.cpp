#include "host/RunHost.h"

namespace tovik {

// Defined here, so that the interface's virtual table lives in one object file.
RunHost::~RunHost() = default;

} // namespace tovik

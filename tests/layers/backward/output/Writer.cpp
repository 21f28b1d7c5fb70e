#include "common/ValueText.h"
#include "host/RunHost.h"
#include "testrun/TestRun.h"

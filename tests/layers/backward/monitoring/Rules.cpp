#include "db/DbConnection.h"

#include "host/RunHost.h"

#include "db/Reader.h"

#include "output/RunLog.h"

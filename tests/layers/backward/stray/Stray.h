#include "db/DbConnection.h"

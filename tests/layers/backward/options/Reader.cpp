#include "sweep/SweepChoice.h"

#include "explorer/ExplorerWindow.h"

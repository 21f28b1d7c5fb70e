#include "testrun/RunOutcome.h"

#include "options/OptionText.h"

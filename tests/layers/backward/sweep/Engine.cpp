#include "monitoring/AlarmRules.h"

#include "testrun/RunOutcome.h"
#include "options/OptionText.h"

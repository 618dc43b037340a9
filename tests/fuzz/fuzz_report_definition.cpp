#include "fuzz/fuzz_main.h"

KALVORA_FUZZ_TARGET(checkReportDefinition)

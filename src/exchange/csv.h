// The CSV reader and writer moved down to platform/csv.h so that the site check report can share
// them; this name stays for the import and export code that includes it.
#pragma once

#include "platform/csv.h"

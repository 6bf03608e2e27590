// querbal --check, and the first reading that chooses a run's path: the data
// file read with every output closed.
#pragma once

#include <string>

#include "driver/settings.h"
#include "model/real.h"

namespace qb {
struct ModelScan;
}

namespace qb::inline QB_ARITH {

// Reads and prepares the data of `settings` as its run would, writing
// nothing; prints its counts, the memory it will take and the path it will
// follow on standard output (unless settings.console is off) and its warnings
// on standard error. Returns 0 when the data are valid, 1 when they are not
// (with the run's one-line message) or when settings.strict and they draw a
// warning, 3 when the model does not fit in memory.
int check_data(const RunSettings& settings);

// Reads the tables of `content` (the data file `name`), no further.
ModelScan scan_data(const std::string& name, const std::string& content);

} // namespace qb

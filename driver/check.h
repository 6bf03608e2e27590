// querbal --check: the data file read and prepared with every output closed.
#pragma once

#include <string>

#include "model/real.h"

namespace qb::inline QB_ARITH {

// Reads and prepares `data` as a run would, writing nothing; prints its
// counts on standard output (unless `quiet`) and its warnings on standard
// error. Returns 0 when the data are valid, 1 when they are not (with the
// run's one-line message) or when `strict` and they draw a warning, 3 when the
// model does not fit in memory.
int check_data(const std::string& data, bool quiet, bool strict = false);

} // namespace qb

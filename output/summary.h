// The figures an engineer judges a foundation by, for every solved case, and
// the record of a whole run that the summary outputs (the JSON file, the
// CSV table of the cases, the console) are written from. Every figure is in
// the units of the data file.
#pragma once

#include "model/model.h"
#include "output/run_record.h"

namespace qb::inline QB_ARITH {

// The figures of a solved case from its solution and its last bar-force pass.
CaseFigures case_figures(const Model& m, const CaseState& st, int32_t caso, const SolutionQuality& quality);

} // namespace qb

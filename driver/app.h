// The program as the command line starts it, in the arithmetic of this build.
#pragma once

#include "model/real.h"
#include "solver/solver_options.h"

namespace qb::inline QB_ARITH {

// Reads the command line, then checks the data or runs: the exit status. A
// benchmark may force the elimination of the single-precision solutions.
int run_program(int argc, char** argv, Elimination elimination = Elimination::program);

} // namespace qb

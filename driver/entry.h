// The program's entry points, one per arithmetic: the program's own single
// precision and the double precision that --precision double chooses.
// A benchmark may force the elimination of the single-precision solutions
// (the straightforward loops: same bits, only slower).
#pragma once

#include "solver/solver_options.h"

namespace qb::inline f32 {
int run_program(int argc, char** argv, Elimination elimination = Elimination::program);
}
namespace qb::inline f64 {
int run_program(int argc, char** argv, Elimination elimination = Elimination::program);
}

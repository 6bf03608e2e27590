// How a run solves its systems: chosen by the command line (threads) or by a
// benchmark (the elimination), and handed down with the run, never kept in
// program state.
#pragma once

#include <cstdint>

namespace qb {

// The Gauss-Jordan elimination of the single-precision solutions: the
// program's own, or for the comparison runs of the benchmarks one of the
// straightforward loops (solver/gaussj.h). Same bits, only slower.
enum class Elimination { program, textbook_rows, textbook_columns };

struct SolverOptions {
    int32_t threads = 0;   // threads of each elimination; 0 lets it choose by the order
    Elimination elimination = Elimination::program;
};

} // namespace qb

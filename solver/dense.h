// The dense systems of the interaction solutions, in the arithmetic of the
// build: the Gauss-Jordan elimination in single precision (bit for bit the
// program's own), LAPACK's LU with one refinement step in double precision.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "model/model.h"
#include "solver/coupled.h"
#include "solver/coupled_system.h"
#include "solver/schur.h"
#include "solver/solver_options.h"
#include "textio/trace.h"

namespace qb::inline QB_ARITH {

// What the solutions of a run share: its solver options, and the frame's
// factors that the double-precision solutions keep from one system to the
// next (the frame is the same all run).
struct SolverContext {
    SolverOptions options;
    FrameCondensation condensation;
    // The large-model path: the frame in compressed columns for each
    // coupling (the reactions a solution couples), and its factors.
    std::vector<std::unique_ptr<SparseFrame>> sparse_frames;
    SchurSolver schur;
};

// Solves the coupled system `sys`, given whole in A (order x order,
// column-major): A·x = b, b becomes x. In double precision the frame's
// interior is condensed (its factors kept in ctx for the next system of the
// run), or else the system is solved whole; the single-precision elimination
// takes A as it is.
//
// With `inverse_wanted` A holds the inverse afterwards; otherwise it is left
// in any state. In double precision the log receives the estimated condition
// numbers. A singular system throws SingularMatrix. Returns the estimated
// condition number of the system solved (of its reduced system when
// condensed), 0 where none is estimated (the single-precision elimination):
// the caller judges it (ILL_CONDITIONED, solver/lu.h).
double solve_dense(const CoupledSystem& sys, Mat1<real>& A, Vec1<real>& b, bool inverse_wanted, Trace log,
                   SolverContext& ctx);

// The large-model path (double precision): the coupled system `sys`, its soil
// block set, solved through the sparse frame factored once per run and the
// dense system on the reactions (solver/schur.h). b holds the right-hand side
// of the order of the system and becomes the solution. The log receives one
// line of figures. Returns the condition number of the dense system; throws
// SingularMatrix when the system cannot be solved.
double solve_large(const CoupledSystem& sys, Vec1<real>& b, Trace log, SolverContext& ctx);

// The frame of `sys` factored for the large-model path ahead of its first
// solution (solve_large does it when not done yet), with a line of figures
// in the lean log.
void factor_frame(const CoupledSystem& sys, Trace log, SolverContext& ctx);

} // namespace qb

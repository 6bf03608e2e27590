// The dense systems of the interaction solutions, in the arithmetic of the
// build: the Gauss-Jordan elimination in single precision (bit for bit the
// program's own), LAPACK's LU with one refinement step in double precision.
#pragma once

#include <cstdint>

#include "model/model.h"
#include "textio/trace.h"

namespace qb::inline QB_ARITH {

// Solves a·x = b (a n x n, column-major, leading dimension lda; b becomes x).
// The first nf unknowns are the frame's free displacements (NGRED), the rest
// the reactions: in double precision a system of that shape is solved by
// condensing the frame's interior (solver/coupled.h), whose factorisation is
// kept for the next system with the same frame, and otherwise, or when the
// inverse is wanted, whole. The single-precision elimination ignores nf.
//
// With `inverse_wanted` a holds the inverse afterwards; otherwise it is left
// in any state. In double precision the log receives the estimated condition
// numbers, and a condition above 1e7 is warned on standard error. A singular
// system throws SingularMatrix. Returns the estimated condition number of the
// system solved (of its reduced system when condensed), 0 where none is
// estimated (the single-precision elimination).
double solve_dense(real* a, int32_t n, int32_t lda, int32_t nf, real* b, bool inverse_wanted, Trace log);

} // namespace qb

// The dense systems of the interaction solutions, in the arithmetic of the
// build: the Gauss-Jordan elimination in single precision (bit for bit the
// program's own), LAPACK's LU with one refinement step in double precision.
#pragma once

#include <cstdint>

#include "model/model.h"
#include "textio/trace.h"

namespace qb {

// Solves a·x = b (a n x n, column-major, leading dimension lda; b becomes x).
// With `inverse_wanted` a holds the inverse afterwards; otherwise it is left
// in any state. In double precision the log receives the estimated condition
// number, and a condition above 1e7 is warned on standard error. A singular
// system throws SingularMatrix.
void solve_dense(real* a, int32_t n, int32_t lda, real* b, bool inverse_wanted, Trace log);

} // namespace qb

// Dense linear solver: Gauss-Jordan elimination with full pivoting.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "textio/errors.h"

namespace qb {

// A pass of the elimination met an exactly zero pivot, or found no candidate
// at all (every remaining entry is NaN). The solver writes nothing itself:
// the caller reports it and the run stops.
struct SingularMatrix : RunError {
    SingularMatrix() : RunError(2, "singular matrix in gaussj", true) {}
};

// Solves a·x = b in place, single precision, and leaves the inverse behind.
//
//   a        n x n coefficient matrix, column-major, entry (j,k) at a[(k-1)*lda + (j-1)];
//            on return it holds the inverse of the matrix passed in.
//   lda      leading dimension of a (lda >= n); rows n+1..lda are not touched.
//   b        right-hand side (n entries); on return the solution.
//   threads  0: as many as pay off for this n; 1: the calling thread alone;
//            more: that many. The result does not depend on it.
//
// Pivot choice: the candidate of largest magnitude among the rows and columns
// not yet used; among equal magnitudes the one met last in a row-by-row scan
// (later row, then later column) wins. NaN entries are never candidates.
// An exactly zero pivot, or a pass without any candidate, throws
// SingularMatrix; a and b are then left part-way. n < 1 changes nothing.
//
// The arithmetic is bit for bit that of the textbook loop (gaussj_plain):
// row exchange, pivot a(c,c) set to 1, row c scaled by p = 1/pivot, then for
// every other row r and column l a(r,l) = a(r,l) - a(c,l)*d(r) with
// d(r) = a(r,c) before the pass, and b(r) = b(r) - b(c)*d(r); at the end the
// columns are exchanged back, last pass first.
void gaussj(float* a, int32_t n, int32_t lda, float* b, int32_t threads = 0);

// The same system solved for b alone: identical pivot sequence and identical
// bits of the solution, at about half the work, but a is left in no useful
// state (the inverse is never formed).
void gaussj_solve(float* a, int32_t n, int32_t lda, float* b, int32_t threads = 0);

// The textbook loop itself, row by row on one thread: the yardstick the fast
// paths are held to (tests) and timed against (bench_gaussj). Same contract
// as gaussj.
void gaussj_plain(float* a, int32_t n, int32_t lda, float* b);

// The same textbook loop written column by column, the natural order of the
// column-major storage: one thread, every column swept, the whole inverse.
void gaussj_columns(float* a, int32_t n, int32_t lda, float* b);

} // namespace qb

// Dense linear solver: Gauss-Jordan elimination with full pivoting.
#pragma once

#include <cstdint>

#include "output/lineform.h"

namespace qb {

// Solves a·x = b in place, single precision.
//
//   a        n x n coefficient matrix, column-major, entry (j,k) at a[(k-1)*lda + (j-1)];
//            on return it holds the inverse of the matrix passed in.
//   lda      leading dimension of a (lda >= n).
//   b        right-hand side (n entries); on return the solution.
//   console  receives "singular matrix in gaussj" lines.
//
// Pivot choice: the candidate of largest magnitude; among equal magnitudes the
// one met last in a row-by-row scan (later row, then later column) wins.
// An exactly zero pivot writes the console line and throws SingularMatrix.
// A pass that finds no candidate at all (every remaining entry is NaN) reuses
// the previous pivot; later scans then report the reused column on the console
// once per scanned row and go on. n < 1 changes nothing.
//
// The arithmetic is bit-for-bit that of the textbook loop (row swap, scaling
// of the pivot row by 1/pivot, then for every other row r and column l
// a(r,l) = a(r,l) - a(c,l)*a(r,c)), but it runs column by column.
void gaussj(float* a, int32_t n, int32_t lda, float* b, Channel& console);

// The same with a chosen number of threads (0: as many as pay off for this n,
// 1: the calling thread alone). The result does not depend on it.
void gaussj(float* a, int32_t n, int32_t lda, float* b, Channel& console, int32_t threads);

} // namespace qb

// Dense linear solver: Gauss-Jordan elimination with full pivoting.
#pragma once

#include <cstdint>
#include <stdexcept>

namespace qb {

// A system the elimination cannot solve: an exactly zero pivot, or a pass
// that finds no pivot candidate at all.
struct SingularMatrix : std::runtime_error {
    SingularMatrix() : std::runtime_error("singular matrix in gaussj") {}
};

// Solves a·x = b in place, single precision.
//
//   a        n x n coefficient matrix, column-major, entry (j,k) at a[(k-1)*lda + (j-1)];
//            on return it holds the inverse of the matrix passed in.
//   lda      leading dimension of a (lda >= n).
//   b        right-hand side (n entries); on return the solution.
//
// Pivot choice: the candidate of largest magnitude; among equal magnitudes the
// one met last in a row-by-row scan (later row, then later column) wins.
// An exactly zero pivot, or a pass that finds no candidate at all (every
// remaining entry is NaN), throws SingularMatrix; nothing is printed, the
// caller reports it. n < 1 changes nothing.
//
// The arithmetic is bit-for-bit that of the textbook loop (row swap, scaling
// of the pivot row by 1/pivot, then for every other row r and column l
// a(r,l) = a(r,l) - a(c,l)*a(r,c)), but it runs column by column.
//
// threads: 0 as many as pay off for this n, 1 the calling thread alone. The
// result does not depend on it.
void gaussj(float* a, int32_t n, int32_t lda, float* b, int32_t threads = 0);

// The thread count of every elimination called with threads = 0 in this run:
// 0 lets the solver choose by order (the default), n >= 1 forces n threads.
void set_default_threads(int32_t n);

} // namespace qb

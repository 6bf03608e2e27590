// Dense solution in double precision through LAPACK: LU factorisation with
// partial pivoting (the library's threaded routines), one step of iterative
// refinement, and an estimate of the condition number.
#pragma once

#include <cstdint>
#include <stdexcept>

namespace qb {

// The library with LAPACK cannot be loaded.
struct LapackMissing : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct LuReport {
    double rcond = 0.0;          // reciprocal condition number of the equilibrated matrix (1-norm estimate)
    double refinement = 0.0;     // relative size of the refinement step, ||dx|| / ||x|| (max norm)
};

// Solves a·x = b for one right-hand side: a is n x n, column-major with
// leading dimension lda, and is left unchanged; b becomes the solution.
// When `inverse` is given (n x n, leading dimension n) it receives the inverse
// of a. A matrix that is exactly singular throws SingularMatrix.
LuReport lu_solve(const double* a, int32_t n, int32_t lda, double* b, double* inverse = nullptr);

} // namespace qb

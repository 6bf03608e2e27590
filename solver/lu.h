// Dense solution in double precision through LAPACK: LU factorisation with
// partial pivoting (the library's threaded routines), one step of iterative
// refinement, and an estimate of the condition number.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "textio/errors.h"

namespace qb {

// The library with LAPACK cannot be loaded.
struct LapackMissing : RunError {
    explicit LapackMissing(const std::string& what) : RunError(1, what) {}
};

// A condition number above this is warned (and an interior above it is not
// condensed): the last digits of the solution carry little meaning.
constexpr double ILL_CONDITIONED = 1e7;

// An equilibrated LU factorisation of a square matrix M: R M C = P L U, with
// R and C the row and column scales of dgeequ, so that the pivots and the
// condition number are those of the system itself and not of its units
// (stiffnesses against unit coefficients and flexibilities).
struct ScaledLu {
    int n = 0;
    std::vector<double> lu, r, c;
    std::vector<int> ipiv;
    double rcond = 0.0;   // reciprocal condition number of R M C, 1-norm estimate

    // Factors m (n x n, leading dimension n), which becomes the factors.
    // False for a matrix with a zero row or column or a zero pivot.
    bool factor(std::vector<double>&& m, int order);
    // v = M⁻¹ v = C (R M C)⁻¹ R v for nrhs columns of n entries.
    void solve(double* v, int nrhs) const;
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

// b becomes the solution of a·x = b (a n x n, column-major, leading dimension
// ld) by `solve` (a factorised solve, in place on a vector) and one step of
// refinement: res = b - a x, x += a⁻¹ res. Returns the relative size of the
// correction, ||res|| / ||x|| in the max norm.
template <class Solve>
double solve_refined(const double* a, std::size_t n, std::size_t ld, double* b, Solve&& solve) {
    std::vector<double> x(b, b + n);
    solve(x);
    std::vector<double> res(b, b + n);
    for (std::size_t j = 0; j < n; ++j) {
        const double xj = x[j];
        if (xj == 0.0) continue;
        const double* col = a + j * ld;
        for (std::size_t i = 0; i < n; ++i) res[i] -= col[i] * xj;
    }
    solve(res);
    double dx = 0.0, xmax = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        b[i] = x[i] + res[i];
        dx = std::max(dx, std::fabs(res[i]));
        xmax = std::max(xmax, std::fabs(b[i]));
    }
    return xmax > 0.0 ? dx / xmax : dx;
}

} // namespace qb

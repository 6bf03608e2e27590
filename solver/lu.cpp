#include "solver/lu.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "solver/gaussj.h"
#include "solver/lapack.h"

namespace qb {

LuReport lu_solve(const double* a, int32_t n, int32_t lda, double* b, double* inverse) {
    LuReport rep;
    if (n < 1) return rep;
    const Lapack& L = lapack();
    const int N = n, one = 1;
    const size_t nn = static_cast<size_t>(n), ld = static_cast<size_t>(lda);

    // Equilibration: the frame's equilibrium rows (stiffnesses) and the soil's
    // compatibility rows (flexibilities, unit coefficients) differ by many
    // orders of magnitude. Rows and columns scaled to unit size, the
    // condition number says how well the system itself is posed.
    std::vector<double> r(nn, 1.0), c(nn, 1.0);
    double rowcnd = 0.0, colcnd = 0.0, amax = 0.0;
    int info = 0;
    L.dgeequ_(&N, &N, a, &lda, r.data(), c.data(), &rowcnd, &colcnd, &amax, &info);
    if (info > 0) throw SingularMatrix();   // a row or column of zeros

    // The factors of the scaled matrix go to a copy: the refinement needs a.
    std::vector<double> lu(nn * nn);
    for (size_t j = 0; j < nn; ++j)
        for (size_t i = 0; i < nn; ++i) lu[j * nn + i] = r[i] * a[j * ld + i] * c[j];
    double anorm = 0.0;   // 1-norm of the scaled matrix: the largest column sum
    for (size_t j = 0; j < nn; ++j) {
        double s = 0.0;
        for (size_t i = 0; i < nn; ++i) s += std::fabs(lu[j * nn + i]);
        anorm = std::max(anorm, s);
    }
    std::vector<int> ipiv(nn);
    L.dgetrf_(&N, &N, lu.data(), &N, ipiv.data(), &info);
    if (info != 0) throw SingularMatrix();

    // x = C (R A C)⁻¹ R rhs
    auto solve_scaled = [&](std::vector<double>& v) {
        for (size_t i = 0; i < nn; ++i) v[i] *= r[i];
        L.dgetrs_("N", &N, &one, lu.data(), &N, ipiv.data(), v.data(), &N, &info, 1);
        for (size_t i = 0; i < nn; ++i) v[i] *= c[i];
    };
    rep.refinement = solve_refined(a, nn, ld, b, solve_scaled);

    std::vector<double> work(4 * nn);
    std::vector<int> iwork(nn);
    L.dgecon_("1", &N, lu.data(), &N, &anorm, &rep.rcond, work.data(), iwork.data(), &info, 1);

    if (inverse != nullptr) {
        // a⁻¹ = C (R A C)⁻¹ R
        const int lwork = static_cast<int>(4 * nn);
        L.dgetri_(&N, lu.data(), &N, ipiv.data(), work.data(), &lwork, &info);
        for (size_t j = 0; j < nn; ++j)
            for (size_t i = 0; i < nn; ++i) inverse[j * nn + i] = c[i] * lu[j * nn + i] * r[j];
    }
    return rep;
}

} // namespace qb

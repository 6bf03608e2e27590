#include "solver/lu.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "solver/gaussj.h"
#include "solver/lapack.h"
#include "textio/stop.h"

namespace qb {

bool ScaledLu::factor(std::vector<double>&& m, int order) {
    const Lapack& L = lapack();
    const LibraryCall call;
    n = order;
    lu = std::move(m);
    const size_t nn = static_cast<size_t>(n);
    // Equilibration: the frame's equilibrium rows (stiffnesses) and the soil's
    // compatibility rows (flexibilities, unit coefficients) differ by many
    // orders of magnitude. Rows and columns scaled to unit size, the
    // condition number says how well the system itself is posed.
    r.assign(nn, 1.0);
    c.assign(nn, 1.0);
    double rowcnd = 0.0, colcnd = 0.0, amax = 0.0;
    int info = 0;
    L.dgeequ_(&n, &n, lu.data(), &n, r.data(), c.data(), &rowcnd, &colcnd, &amax, &info);
    if (info > 0) return false;   // a row or column of zeros
    double anorm = 0.0;   // 1-norm of the scaled matrix: the largest column sum
    for (size_t j = 0; j < nn; ++j) {
        double s = 0.0;
        for (size_t i = 0; i < nn; ++i) {
            double& v = lu[j * nn + i];
            v = r[i] * v * c[j];
            s += std::fabs(v);
        }
        anorm = std::max(anorm, s);
    }
    ipiv.resize(nn);
    L.dgetrf_(&n, &n, lu.data(), &n, ipiv.data(), &info);
    if (info != 0) return false;
    std::vector<double> work(4 * nn);
    std::vector<int> iwork(nn);
    L.dgecon_("1", &n, lu.data(), &n, &anorm, &rcond, work.data(), iwork.data(), &info, 1);
    return true;
}

void ScaledLu::solve(double* v, int nrhs) const {
    const size_t nn = static_cast<size_t>(n);
    for (size_t k = 0; k < static_cast<size_t>(nrhs); ++k)
        for (size_t i = 0; i < nn; ++i) v[k * nn + i] *= r[i];
    int info = 0;
    const LibraryCall call;
    lapack().dgetrs_("N", &n, &nrhs, lu.data(), &n, ipiv.data(), v, &n, &info, 1);
    for (size_t k = 0; k < static_cast<size_t>(nrhs); ++k)
        for (size_t i = 0; i < nn; ++i) v[k * nn + i] *= c[i];
}

LuReport lu_solve(const double* a, int32_t n, int32_t lda, double* b, double* inverse) {
    LuReport rep;
    if (n < 1) return rep;
    const size_t nn = static_cast<size_t>(n), ld = static_cast<size_t>(lda);
    // The factors go to a copy: the refinement needs a.
    std::vector<double> m(nn * nn);
    for (size_t j = 0; j < nn; ++j) std::copy_n(a + j * ld, nn, m.data() + j * nn);
    ScaledLu f;
    if (!f.factor(std::move(m), n)) throw SingularMatrix();
    rep.refinement = solve_refined(a, nn, ld, b, [&f](std::vector<double>& v) { f.solve(v.data(), 1); });
    rep.rcond = f.rcond;

    if (inverse != nullptr) {
        // a⁻¹ = C (R A C)⁻¹ R
        const int lwork = static_cast<int>(4 * nn);
        std::vector<double> work(4 * nn);
        int info = 0;
        const LibraryCall call;
        lapack().dgetri_(&f.n, f.lu.data(), &f.n, f.ipiv.data(), work.data(), &lwork, &info);
        for (size_t j = 0; j < nn; ++j)
            for (size_t i = 0; i < nn; ++i) inverse[j * nn + i] = f.c[i] * f.lu[j * nn + i] * f.r[j];
    }
    return rep;
}

} // namespace qb

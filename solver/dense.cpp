#include "solver/dense.h"

#include <cmath>
#include <cstdio>
#include <type_traits>
#include <vector>

#include "solver/gaussj.h"
#include "solver/lu.h"

namespace qb {

namespace {

template <class T>
void solve(T* a, int32_t n, int32_t lda, T* b, bool inverse_wanted, Trace log) {
    if constexpr (std::is_same_v<T, float>) {
        (void)log;
        if (inverse_wanted) gaussj(a, n, lda, b);
        else gaussj_solve(a, n, lda, b);
    } else {
        std::vector<double> inverse(inverse_wanted ? static_cast<size_t>(n) * static_cast<size_t>(n) : 0);
        const LuReport r = lu_solve(a, n, lda, b, inverse_wanted ? inverse.data() : nullptr);
        if (inverse_wanted)
            for (int32_t c = 0; c < n; ++c)
                for (int32_t i = 0; i < n; ++i)
                    a[static_cast<size_t>(c) * static_cast<size_t>(lda) + static_cast<size_t>(i)] =
                        inverse[static_cast<size_t>(c) * static_cast<size_t>(n) + static_cast<size_t>(i)];
        const double cond = r.rcond > 0.0 ? 1.0 / r.rcond : HUGE_VAL;
        List(log) << "NUMERO DE CONDICION ESTIMADO (NORMA 1):" << cond << "REFINAMIENTO:" << r.refinement;
        if (!(cond <= 1e7))
            std::fprintf(stderr,
                         "querbal: warning: a coupled system of order %d is ill-conditioned (condition number about "
                         "%.3g): its last digits carry little meaning\n",
                         n, cond);
    }
}

} // namespace

void solve_dense(real* a, int32_t n, int32_t lda, real* b, bool inverse_wanted, Trace log) {
    solve(a, n, lda, b, inverse_wanted, log);
}

} // namespace qb

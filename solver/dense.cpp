#include "solver/dense.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

#include "solver/coupled.h"
#include "solver/gaussj.h"
#include "solver/lu.h"

namespace qb::inline QB_ARITH {

namespace {

double condition(double rcond) { return rcond > 0.0 ? 1.0 / rcond : HUGE_VAL; }

// The frame's interior condensed; false when the system is to be solved whole.
// `cond` receives the condition number of the reduced system. (Unused by the
// single-precision build.)
[[maybe_unused]] bool solve_condensed(const CoupledSystem& sys, const double* a, double* b, double& cond, Trace log,
                                      FrameCondensation& kept) {
    CondensedReport r;
    const int32_t n = sys.order();
    if (kept.solve(a, n, n, sys.frame_equations(), sys.interface(), b, r)) {
        List(log) << "SOLUCION CON EL INTERIOR DEL MARCO CONDENSADO, ORDEN INTERIOR:" << r.interior
                  << "ORDEN REDUCIDO:" << r.reduced << (r.reused ? "FACTORES CONSERVADOS" : "FACTORES NUEVOS");
        List(log) << "NUMERO DE CONDICION ESTIMADO (NORMA 1), INTERIOR:" << condition(r.rcond_interior);
        cond = condition(r.rcond_reduced);
        List(log) << "NUMERO DE CONDICION ESTIMADO (NORMA 1), REDUCIDO:" << cond << "REFINAMIENTO:" << r.refinement;
        return true;
    }
    if (r.outcome == Condensation::bad_interior)
        List(log) << "INTERIOR DEL MARCO SINGULAR O MAL CONDICIONADO, NUMERO DE CONDICION ESTIMADO:"
                  << condition(r.rcond_interior) << "SOLUCION COMPLETA";
    else if (r.outcome == Condensation::bad_reduced)
        List(log) << "SISTEMA REDUCIDO SINGULAR, SOLUCION COMPLETA";
    return false;
}

template <class T>
double solve(const CoupledSystem& sys, T* a, T* b, bool inverse_wanted, Trace log, SolverContext& ctx) {
    const int32_t n = sys.order();
    if constexpr (std::is_same_v<T, float>) {
        (void)log;
        switch (ctx.options.elimination) {
        case Elimination::textbook_rows: gaussj_plain(a, n, n, b); break;
        case Elimination::textbook_columns: gaussj_columns(a, n, n, b); break;
        case Elimination::program:
            if (inverse_wanted) gaussj(a, n, n, b, ctx.options.threads);
            else gaussj_solve(a, n, n, b, ctx.options.threads);
            break;
        }
        return 0.0;
    } else {
        double reduced = 0.0;
        if (!inverse_wanted && solve_condensed(sys, a, b, reduced, log, ctx.condensation)) return reduced;
        std::vector<double> inverse(inverse_wanted ? static_cast<size_t>(n) * static_cast<size_t>(n) : 0);
        const LuReport r = lu_solve(a, n, n, b, inverse_wanted ? inverse.data() : nullptr);
        if (inverse_wanted) std::copy(inverse.begin(), inverse.end(), a);
        const double cond = condition(r.rcond);
        List(log) << "NUMERO DE CONDICION ESTIMADO (NORMA 1):" << cond << "REFINAMIENTO:" << r.refinement;
        return cond;
    }
}

} // namespace

double solve_dense(const CoupledSystem& sys, Mat1<real>& A, Vec1<real>& b, bool inverse_wanted, Trace log,
                   SolverContext& ctx) {
    return solve(sys, A.data(), b.data(), inverse_wanted, log, ctx);
}

} // namespace qb

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

namespace {

// The frame of `sys` in compressed columns, made once per coupling.
const SparseFrame& sparse_frame(const CoupledSystem& sys, SolverContext& ctx) {
    const int32_t nf = sys.frame_equations(), nr = sys.reactions();
    std::vector<int32_t> eq(static_cast<size_t>(nr));
    for (int32_t j = 1; j <= nr; ++j) eq[static_cast<size_t>(j - 1)] = sys.equation_of(j) - 1;
    for (const auto& f : ctx.sparse_frames)
        if (f->nf == nf && f->eq == eq) return *f;
    auto f = std::make_unique<SparseFrame>();
    f->nf = nf;
    f->nr = nr;
    f->eq = std::move(eq);
    auto columns = [&](int32_t first, int32_t count, std::vector<int64_t>& p, std::vector<int32_t>& i,
                       std::vector<double>& x) {
        p.assign(static_cast<size_t>(count) + 1, 0);
        for (int32_t c = 0; c < count; ++c) {
            sys.frame().column(first + c, [&](int32_t r, real v) {
                if (v == 0.0_r) return;
                i.push_back(r - 1);
                x.push_back(static_cast<double>(v));
            });
            p[static_cast<size_t>(c) + 1] = static_cast<int64_t>(i.size());
        }
    };
    columns(1, nf, f->Kp, f->Ki, f->Kx);
    columns(nf + 1, nr, f->Cp, f->Ci, f->Cx);
    ctx.sparse_frames.push_back(std::move(f));
    return *ctx.sparse_frames.back();
}

} // namespace

namespace {

template <class T>
double large(const CoupledSystem& sys, T* b, Trace log, SolverContext& ctx) {
    if constexpr (!std::is_same_v<T, double>) {
        (void)sys, (void)b, (void)log, (void)ctx;
        throw SingularMatrix();   // the large-model path is built in double precision only
    } else {
        const SparseFrame& f = sparse_frame(sys, ctx);
        const size_t nf = static_cast<size_t>(f.nf), nr = static_cast<size_t>(f.nr);
        std::vector<double> x(nf + nr);
        SchurReport r;
        // The soil block is held column-major, reactions x reactions, as the solver reads it.
        if (!ctx.schur.solve(f, sys.soil().data(), b, x.data(), r)) throw SingularMatrix();
        std::copy(x.begin(), x.end(), b);
        const double cond = condition(r.rcond);
        List(log.digest()) << "SISTEMA REDUCIDO A LAS REACCIONES, ORDEN:" << r.reduced
                           << (r.reused ? "FACTORES DEL MARCO CONSERVADOS" : "FACTORES DEL MARCO NUEVOS");
        List(log.digest()) << "NUMERO DE CONDICION ESTIMADO (NORMA 1), REDUCIDO:" << cond
                           << "REFINAMIENTO:" << r.refinement;
        return cond;
    }
}

} // namespace

void factor_frame(const CoupledSystem& sys, Trace log, SolverContext& ctx) {
    if constexpr (std::is_same_v<real, double>) {
        const SparseFrame& f = sparse_frame(sys, ctx);
        if (ctx.schur.factored(f) || !ctx.schur.factor(f)) return;   // a line for a new factor only
        const SchurSolver::FactorStats& s = ctx.schur.last_factor;
        List(log.digest()) << "FACTOR DEL MARCO, ECUACIONES:" << s.equations << "BLOQUE FINAL:" << s.trailing
                           << "TERMINOS:" << static_cast<int32_t>(std::min(s.entries, 2.0e9))
                           << "OPERACIONES:" << s.flops << "SEGUNDOS:" << s.seconds
                           << "DE ELLOS EN EL ORDEN:" << s.ordering_seconds
                           << (s.dissection ? "ORDEN POR DISECCION ANIDADA" : "ORDEN POR MINIMO GRADO");
    }
}

double solve_large(const CoupledSystem& sys, Vec1<real>& b, Trace log, SolverContext& ctx) {
    return large(sys, b.data(), log, ctx);
}

} // namespace qb

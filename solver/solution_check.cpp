#include "solver/solution_check.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "solver/coupled_system.h"

namespace qb::inline QB_ARITH {

namespace {

// `sys`: the system that was solved, its soil block set for a linear solution;
// `rows`: the rows whose residual counts (all of them for a linear solution,
// the equilibrium ones for a Newton solution, whose settlement law is not
// linear).
SolutionQuality quality(const Model& m, const CaseState& st, const Vec1<real>& vered, const CoupledSystem& sys,
                        int32_t rows) {
    SolutionQuality q;
    for (int32_t i = 1; i <= st.DESPL.size(); ++i)
        if (!std::isfinite(st.DESPL(i))) ++q.non_finite;

    const int32_t NGRED = m.NGRED, n = sys.order();
    // The unknowns by equation number (0-based): displacements, then the reactions.
    std::vector<double> x(static_cast<size_t>(n), 0.0), b(static_cast<size_t>(rows), 0.0);
    for (int32_t g = 1; g <= m.NTOT; ++g)
        if (m.NGL.at_or_zero(g) != 0) x[static_cast<size_t>(m.NGL(g) - 1)] = st.DESPL.at_or_zero(g);
    for (int32_t j = 1; j <= sys.reactions(); ++j) x[static_cast<size_t>(NGRED + j - 1)] = st.DESPL.at_or_zero(m.NTOT + j);
    // The right-hand side as the solver formed it, in the arithmetic of the build.
    Vec1<real> load(NGRED);
    sys.load(m, vered, load);
    for (int32_t i = 1; i <= NGRED; ++i) b[static_cast<size_t>(i - 1)] = static_cast<double>(load(i));

    std::vector<double> ax, row_abs;
    sys.apply(x, ax, rows, &row_abs);
    double rmax = 0.0, amax = 0.0, xmax = 0.0, bmax = 0.0;
    for (double v : x) xmax = std::max(xmax, std::fabs(v));
    for (double v : b) bmax = std::max(bmax, std::fabs(v));
    for (size_t r = 0; r < ax.size(); ++r) {
        rmax = std::max(rmax, std::fabs(ax[r] - b[r]));
        amax = std::max(amax, row_abs[r]);
    }
    const double den = amax * xmax + bmax;
    q.residual = den > 0.0 ? rmax / den : (rmax > 0.0 ? INFINITY : 0.0);
    if (std::isnan(rmax)) q.residual = NAN;

    // Vertical balance over the free vertical translations.
    for (int32_t nd = 1; nd <= m.NN; ++nd)
        if (m.connected.at_or_zero(nd) && m.NGL.at_or_zero(dof(nd, DZ)) == 0) return q;
    double applied = 0.0, magnitude = 0.0, carried = 0.0;
    for (int32_t nd = 1; nd <= m.NN; ++nd) {
        const int32_t e = m.NGL.at_or_zero(dof(nd, DZ));
        if (e == 0) continue;
        applied += b[static_cast<size_t>(e - 1)];
        magnitude += std::fabs(b[static_cast<size_t>(e - 1)]);
        // The reactions enter the equilibrium rows as unknowns of the left
        // side: the force they put on the structure is minus their terms.
        for (int32_t c = NGRED + 1; c <= n; ++c) carried -= sys.frame()(e, c) * x[static_cast<size_t>(c - 1)];
        carried -= static_cast<double>(m.RIGAD.at_or_zero(e)) * x[static_cast<size_t>(e - 1)];
    }
    q.balance_known = true;
    q.load = applied;
    q.carried = carried;
    const double scale = std::max(magnitude, std::fabs(carried));
    q.imbalance = scale > 0.0 ? std::fabs(applied + carried) / scale : 0.0;
    return q;
}

} // namespace

SolutionQuality linear_solution_quality(const Model& m, const FrameSystem& frame, const CaseState& st,
                                        const Vec1<real>& vered) {
    CoupledSystem sys(m, frame, m.NR + m.MR);
    // Without the case's flexibility only the equilibrium rows can be judged.
    if (st.FLEX.rows() < m.NR + m.MR) return quality(m, st, vered, sys, m.NGRED);
    sys.soil_from_flexibility(st.FLEX, m.NR);
    return quality(m, st, vered, sys, sys.order());
}

SolutionQuality newton_solution_quality(const Model& m, const FrameSystem& frame, const CaseState& st,
                                        const Vec1<real>& vered) {
    const CoupledSystem sys(m, frame, m.NR);
    return quality(m, st, vered, sys, m.NGRED);
}

} // namespace qb

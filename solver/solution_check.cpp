#include "solver/solution_check.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace qb::inline QB_ARITH {

namespace {

SolutionQuality quality(const Model& m, const CaseState& st, const Vec1<real>& vered, bool linear) {
    SolutionQuality q;
    for (int32_t i = 1; i <= st.DESPL.size(); ++i)
        if (!std::isfinite(st.DESPL(i))) ++q.non_finite;

    const int32_t NGRED = m.NGRED, NR = m.NR, MR = linear ? m.MR : 0;
    const int32_t ncols = NGRED + NR + MR;
    // The unknowns by equation number: displacements, then the reactions.
    std::vector<double> x(static_cast<size_t>(ncols) + 1, 0.0), b(static_cast<size_t>(NGRED) + 1, 0.0);
    for (int32_t g = 1; g <= m.NTOT; ++g)
        if (m.NGL.at_or_zero(g) != 0) x[static_cast<size_t>(m.NGL(g))] = st.DESPL.at_or_zero(g);
    for (int32_t j = 1; j <= NR + MR; ++j) x[static_cast<size_t>(NGRED + j)] = st.DESPL.at_or_zero(m.NTOT + j);
    // The right-hand side as the solver formed it, in single precision.
    for (int32_t i = 1; i <= NGRED; ++i)
        b[static_cast<size_t>(i)] = static_cast<double>(m.PCONC.at_or_zero(i) - vered.at_or_zero(i));

    double rmax = 0.0, amax = 0.0, xmax = 0.0, bmax = 0.0;
    for (int32_t c = 1; c <= ncols; ++c) xmax = std::max(xmax, std::fabs(x[static_cast<size_t>(c)]));
    for (int32_t i = 1; i <= NGRED; ++i) bmax = std::max(bmax, std::fabs(b[static_cast<size_t>(i)]));

    // Equilibrium rows, akr (d, R) = b, summed column by column along the
    // stored (column-major) table.
    std::vector<double> ax(static_cast<size_t>(NGRED) + 1, 0.0), arow(static_cast<size_t>(NGRED) + 1, 0.0);
    for (int32_t c = 1; c <= ncols; ++c) {
        const double xc = x[static_cast<size_t>(c)];
        for (int32_t r = 1; r <= NGRED; ++r) {
            const double a = akr_or_zero(m, r, c);
            ax[static_cast<size_t>(r)] += a * xc;
            arow[static_cast<size_t>(r)] += std::fabs(a);
        }
    }
    for (int32_t r = 1; r <= NGRED; ++r) {
        rmax = std::max(rmax, std::fabs(ax[static_cast<size_t>(r)] - b[static_cast<size_t>(r)]));
        amax = std::max(amax, arow[static_cast<size_t>(r)]);
    }

    // Compatibility rows of the linear solution: the displacement of the
    // reaction's dof plus the settlement its group's flexibility gives.
    if (linear) {
        auto group = [&](const Vec1<int32_t>& dofs, int32_t count, int32_t first, int32_t flex0) {
            for (int32_t i = 1; i <= count; ++i) {
                const int32_t eq = m.NGL.at_or_zero(dofs(i));
                double s = eq != 0 ? x[static_cast<size_t>(eq)] : 0.0, a = eq != 0 ? 1.0 : 0.0;
                for (int32_t k = 1; k <= count; ++k) {
                    const double f = st.FLEX(flex0 + i, flex0 + k);
                    s += f * x[static_cast<size_t>(first + k)];
                    a += std::fabs(f);
                }
                rmax = std::max(rmax, std::fabs(s));
                amax = std::max(amax, a);
            }
        };
        if (st.FLEX.rows() >= NR + MR) {
            group(m.NREAC, NR, NGRED, 0);
            group(m.NREACNOD, MR, NGRED + NR, NR);
        }
    }
    const double den = amax * xmax + bmax;
    q.residual = den > 0.0 ? rmax / den : (rmax > 0.0 ? INFINITY : 0.0);
    if (std::isnan(rmax)) q.residual = NAN;

    // Vertical balance over the free vertical translations.
    for (int32_t n = 1; n <= m.NN; ++n)
        if (m.connected.at_or_zero(n) && m.NGL.at_or_zero(dof(n, DZ)) == 0) return q;
    double load = 0.0, magnitude = 0.0, carried = 0.0;
    for (int32_t n = 1; n <= m.NN; ++n) {
        const int32_t e = m.NGL.at_or_zero(dof(n, DZ));
        if (e == 0) continue;
        load += b[static_cast<size_t>(e)];
        magnitude += std::fabs(b[static_cast<size_t>(e)]);
        // The reactions enter the equilibrium rows as unknowns of the left
        // side: the force they put on the structure is minus their terms.
        for (int32_t c = NGRED + 1; c <= ncols; ++c) carried -= akr_or_zero(m, e, c) * x[static_cast<size_t>(c)];
        carried -= static_cast<double>(m.RIGAD.at_or_zero(e)) * x[static_cast<size_t>(e)];
    }
    q.balance_known = true;
    q.load = load;
    q.carried = carried;
    const double scale = std::max(magnitude, std::fabs(carried));
    q.imbalance = scale > 0.0 ? std::fabs(load + carried) / scale : 0.0;
    return q;
}

} // namespace

SolutionQuality linear_solution_quality(const Model& m, const CaseState& st, const Vec1<real>& vered) {
    return quality(m, st, vered, true);
}

SolutionQuality newton_solution_quality(const Model& m, const CaseState& st, const Vec1<real>& vered) {
    return quality(m, st, vered, false);
}

} // namespace qb

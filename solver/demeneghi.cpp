#include "solver/demeneghi.h"

#include <algorithm>
#include <cmath>

#include "soil/profile_walk.h"
#include "soil/reaction_areas.h"

namespace qb::inline QB_ARITH {

namespace {

// The form of Demeneghi's equation in each case: immediate compression with
// the lateral stresses (case 2), consolidation of the clay strata under the
// vertical stress (case 3), the same creeping with time (case 4); the
// coefficient table of each, and the trace line of a consolidation case.
struct DemeneghiForm {
    enum Kind { none, immediate, primary, secondary } kind;
    Mat1<real> Soil::*coefficients;
    const char* label;
};
constexpr DemeneghiForm FORMS[] = {
    {DemeneghiForm::none, &Soil::A, nullptr},
    {DemeneghiForm::none, &Soil::A, nullptr},
    {DemeneghiForm::immediate, &Soil::A, nullptr},
    {DemeneghiForm::primary, &Soil::AP, "caso 3"},
    {DemeneghiForm::secondary, &Soil::ACS, "caso 4"},
};

const DemeneghiForm& form(int32_t caso) { return FORMS[caso >= 1 && caso <= 4 ? caso : 0]; }

} // namespace

const Mat1<real>& demeneghi_coefficients(const Soil& s, int32_t caso) { return s.*form(caso).coefficients; }

namespace {

// The three stresses at the mid-depth of stratum j under reaction i.
struct Stresses {
    real sx = 0.0_r, sy = 0.0_r, sz = 0.0_r;
};

// Superposes the pressure of every loaded reaction l (line reaction times
// length over area) on its influence values; immediate compression needs the
// lateral stresses too, and traces every term.
Stresses stresses(const Model& m, bool lateral, int32_t i, int32_t j, const Vec1<real>& h, const Vec1<real>& R,
                  Trace log) {
    const bool trace = lateral && log.on();
    Stresses s;
    for (int32_t l = 1; l <= m.NR; ++l) {
        const int32_t g = dof(l, DZ);
        const real r = R(m.NGRED + l);
        const real rh = r + h(l);
        const real len = m.LONGREAC.at_or_zero(g), area = m.AREAREAC.at_or_zero(g);
        if (lateral) {
            s.sx = s.sx + rh * ix_sum(m, i, j, l) * len / area;
            s.sy = s.sy + rh * iy_sum(m, i, j, l) * len / area;
        }
        s.sz = s.sz + rh * iz_sum(m, i, j, l) * len / area;
        if (trace)
            List(log) << "NPOS=" << g << " NPR=" << m.NGRED + l << "i=" << i << "j=" << j << "k=" << l << "aix(k)="
                      << infl(m.IX, i, j, l, 1) << infl(m.IX, i, j, l, 2) << "AR(k)=" << area << "r(k)=" << r
                      << "LR(k)=" << len << "h(k)=" << h(l) << "r+h=" << rh;
    }
    return s;
}

} // namespace

real Def(const Model& m, int32_t caso, int32_t i, int32_t j, int32_t p, const Mat1<real>& A_Dem,
          const Vec1<real>& h, const Vec1<real>& R, Trace log) {
    const Soil& s = m.soil;
    List(log) << "en def, ii=" << i << " jj=" << j;
    List(log) << "en Def ng=" << m.NTOT << " ngred=" << m.NGRED;
    if (!has_entry(s.PZ, p, j)) return 0.0_r;   // no soil under this node

    const DemeneghiForm& f = form(caso);
    const bool immediate = f.kind == DemeneghiForm::immediate;
    // Consolidation settles clay only; sand gives neither stresses nor settlement.
    const bool consolidates = (f.kind == DemeneghiForm::primary || f.kind == DemeneghiForm::secondary) &&
                              s.TIPOEST(p, j) == 2;
    if (f.label) List(log) << f.label;
    Stresses sg;
    if (immediate || consolidates) sg = stresses(m, immediate, i, j, h, R, log);
    List(log) << "sigmax(i,j)" << i << j << sg.sx;
    List(log) << "sigmaY(i,j)" << i << j << sg.sy;
    List(log) << "sigmaZ(i,j)" << i << j << sg.sz;
    List(log) << "Pz(kp,jj)" << s.PZ(p, j);
    List(log) << "Anu(KP,jj)=" << s.NU2(p, j);

    const real PA = s.PA, Hj = s.H(p, j), A = A_Dem(p, j);
    real def = 0.0_r;
    if (immediate) {
        // Lateral over vertical stress; a stratum the reactions do not reach
        // (sz = 0) settles nothing and has no ratio either.
        const real C = sg.sz == 0.0_r ? 0.0_r : (sg.sx + sg.sy) / sg.sz;
        const real F = (1.0_r / 3.0_r) + C / 3.0_r;
        const real p0 = (2.0_r * s.KO(p, j) + 1.0_r) * s.PZ(p, j) / 3.0_r;   // in-situ mean stress
        const real nu = s.NU2(p, j);
        const real X = (1.0_r - nu * C) * (std::sqrt(sg.sz * F + p0) - std::sqrt(p0)) /
                        (std::sqrt(PA) * 0.5_r * A * F);
        def = sg.sz == 0.0_r ? 0.0_r : Hj * (1.0_r - std::exp(-X));
        List(log) << "ssigmas=" << C;
        List(log) << "A_Dem=" << A;
    } else if (consolidates) {
        List(log) << "A_Dem=" << A;
        if (f.kind == DemeneghiForm::secondary) {
            List(log) << "psi=" << s.PSI(p, j);
            List(log) << "T=" << s.T(p, j);
        }
        const real expo = std::exp(sg.sz / (-PA * A));
        List(log) << "expo=" << expo;
        if (f.kind == DemeneghiForm::primary) {
            def = (1.0_r - expo) * Hj;
        } else {
            const real ct = (1.0_r - expo) * Hj;
            const real res = s.PSI(p, j) * s.T(p, j);     // creep time factor
            List(log) << "ct=" << ct;
            List(log) << "res=" << res;
            def = std::log10(1.0_r + res) * ct;
        }
    }
    List(log) << "DEF=" << def;
    return def;
}

void CalcDefNL(const Model& m, int32_t caso, const Mat1<real>& A_Dem, const Vec1<real>& R, const Vec1<real>& h,
               Vec1<real>& def, Trace log) {
    const int32_t NR = m.NR;
    List(log) << "EN CalcDefNL";
    List(log) << "N=" << NR;
    list_reaction_lengths(m, log, 6 * NR);
    def.resize(NR);
    for (int32_t i = 1; i <= NR; ++i) {
        const int32_t n = node_of_dof(m.NREAC(i));
        const int32_t p = m.PERFN.at_or_zero(n);
        // Stratum 1 always counts, even in a profile that declares none.
        def(i) = Def(m, caso, i, 1, p, A_Dem, h, R, log);
        List(log) << "Reaccion:" << i << " estrato" << 1 << def(i);
        const int32_t nest = strata_of(m, p);
        for (int32_t j = 2; j <= nest; ++j) {
            const real dj = Def(m, caso, i, j, p, A_Dem, h, R, log);
            def(i) = def(i) + dj;
            List(log) << "Reaccion:" << i << "en estrato:" << j << dj;
        }
        Rec(log).text("def total nodo", 30).I(i, 5).F(def(i), 20, 10);
    }
}

void demeneghi_jacobian(const Model& m, int32_t caso, const Mat1<real>& A_Dem, const Vec1<real>& R, Mat1<real>& J) {
    const int32_t NR = m.NR;
    const Soil& s = m.soil;
    const DemeneghiForm& f = form(caso);
    J.resize(NR, NR);
    J.fill(0.0_r);
    if (f.kind == DemeneghiForm::none) return;
    const bool immediate = f.kind == DemeneghiForm::immediate;
    Vec1<real> w(NR);   // pressure of a unit line reaction
    for (int32_t l = 1; l <= NR; ++l) {
        const int32_t g = dof(l, DZ);
        w(l) = m.LONGREAC.at_or_zero(g) / m.AREAREAC.at_or_zero(g);
    }
    const Vec1<real> no_increment(NR);
    for (int32_t i = 1; i <= NR; ++i) {
        const int32_t p = m.PERFN.at_or_zero(node_of_dof(m.NREAC(i)));
        const int32_t nest = std::max<int32_t>(1, strata_of(m, p));
        for (int32_t j = 1; j <= nest; ++j) {
            if (!has_entry(s.PZ, p, j)) continue;
            if (!immediate && s.TIPOEST(p, j) != 2) continue;   // consolidation settles clay only
            const Stresses sg = stresses(m, immediate, i, j, no_increment, R, Trace());
            const real PA = s.PA, Hj = s.H(p, j), A = A_Dem(p, j);
            real d_lateral = 0.0_r, d_vertical = 0.0_r;
            if (immediate) {
                if (sg.sz == 0.0_r) continue;
                const real u = sg.sx + sg.sy, sz = sg.sz;
                const real C = u / sz, F = (1.0_r + C) / 3.0_r;
                const real p0 = (2.0_r * s.KO(p, j) + 1.0_r) * s.PZ(p, j) / 3.0_r, nu = s.NU2(p, j);
                const real Q = std::sqrt(sz * F + p0), rise = Q - std::sqrt(p0), k = std::sqrt(PA) * 0.5_r * A;
                const real N = (1.0_r - nu * C) * rise;
                const real X = N / (k * F);
                const real N_u = -nu * rise / sz + (1.0_r - nu * C) / (6.0_r * Q);
                const real N_sz = nu * u * rise / (sz * sz) + (1.0_r - nu * C) / (6.0_r * Q);
                const real dX_u = (N_u * F - N / (3.0_r * sz)) / (k * F * F);
                const real dX_sz = (N_sz * F + N * u / (3.0_r * sz * sz)) / (k * F * F);
                const real settle = Hj * std::exp(-X);
                d_lateral = settle * dX_u;
                d_vertical = settle * dX_sz;
            } else {
                d_vertical = Hj * std::exp(sg.sz / (-PA * A)) / (PA * A);
                if (f.kind == DemeneghiForm::secondary) d_vertical = d_vertical * std::log10(1.0_r + s.PSI(p, j) * s.T(p, j));
            }
            for (int32_t l = 1; l <= NR; ++l) {
                real d = d_vertical * iz_sum(m, i, j, l);
                if (immediate) d = d + d_lateral * (ix_sum(m, i, j, l) + iy_sum(m, i, j, l));
                J(i, l) = J(i, l) + w(l) * d;
            }
        }
    }
}

} // namespace qb

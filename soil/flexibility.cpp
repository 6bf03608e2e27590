#include "soil/flexibility.h"

#include <algorithm>
#include <cmath>

#include "soil/profile_walk.h"
#include "textio/rows.h"

namespace qb::inline QB_ARITH {

namespace {

enum class Law { elastic, primary, secondary, janbu };

// Influence values of stratum k under reaction j for a unit pressure on
// reaction l, summed over the two directions; negative horizontal sums count
// as zero.
struct Influence {
    real iz1, iz2, IZs, IXp, IYp;
};

Influence influence(const Model& m, int32_t j, int32_t k, int32_t l) {
    Influence v;
    // The two directions of the vertical value are traced; the large-model
    // path keeps their sum only.
    v.iz1 = m.large ? iz_sum(m, j, k, l) : infl(m.IZ, j, k, l, 1);
    v.iz2 = m.large ? 0.0_r : infl(m.IZ, j, k, l, 2);
    v.IZs = m.large ? v.iz1 : v.iz1 + v.iz2;
    v.IXp = std::max(0.0_r, ix_sum(m, j, k, l));
    v.IYp = std::max(0.0_r, iy_sum(m, j, k, l));
    return v;
}

// One flexibility matrix: the pattern shared by the four strain laws.
struct FlexBuild {
    const Model& m;
    CaseState& st;
    Trace log;
    Law law;
    const Mat1<real>* E;   // elastic moduli (FLSC)
    const Vec1<real>* R;   // reactions (FNLCC)

    // Settlement at reaction j (node n, profile p) of stratum k, thickness h,
    // under a unit line reaction at l, which presses its rectangle with q
    // (length / area).
    real stratum_settlement(int32_t j, int32_t l, int32_t n, int32_t p, int32_t k, real h, real q, real len,
                             real area) {
        const Soil& s = m.soil;
        const Influence v = influence(m, j, k, l);
        switch (law) {
        case Law::elastic: {
            List(log) << "nflag1=" << m.nflag1;
            if ((m.nflag1 == 1 || m.nflag1 == 3) && has_entry(*E, p, k))
                st.AMZ(p, k) = 1.0_r / (*E)(p, k);          // moduli by profile
            else if (m.nflag1 == 2 && has_entry(*E, n, k))
                st.AMZ(p, k) = 1.0_r / (*E)(n, k);          // moduli by reaction node
            const real c = st.AMZ(p, k);
            List(log) << "AMZ(KP,J)=" << c;
            // Vertical strain with the Poisson effect of the lateral stresses;
            // a negative vertical sum enters with its sign.
            const real eps = v.IZs - s.NU2(p, k) * (v.IXp + v.IYp);
            List(log) << "AINF" << j << l << k << eps;
            return q * c * h * eps;
        }
        case Law::primary: {
            const real c = 1.0_r / s.EMV(p, k);
            const real eps = std::max(0.0_r, v.IZs);
            List(log) << "AINF" << j << l << k << eps;
            return q * c * h * eps;
        }
        case Law::secondary: {
            const real c = 1.0_r / s.EMT(p, k);
            const real eps = std::max(0.0_r, v.IZs);
            List(log) << "AINF" << j << l << k << eps;
            return q * c * h * eps * std::log10(1.0_r + s.PSI(p, k) * s.T(p, k));
        }
        case Law::janbu: {
            const real eps = std::max(0.0_r, v.IZs);
            // Mean stress: the foundation's, from the reaction, plus the
            // in-situ one (vertical PZ, horizontal KO PZ).
            const real sigma = 1.0_r / 6.0_r * R->at_or_zero(j) * q * (v.IXp + v.IZs + v.IYp)
                              + (2.0_r * s.KO(p, k) + 1.0_r) * s.PZ(p, k) / 3.0_r;
            const real Em = s.K(p, k) * s.PA * std::pow(sigma / s.PA, s.N(p, k));
            const real c = 1.0_r / Em;
            List(log) << "EL MODULO E ES" << Em;
            List(log) << c << s.H(p, k) << v.iz1 << v.iz2 << len << area << k;
            List(log) << "AINF=" << j << l << k << eps;
            return q * c * h * eps;
        }
        }
        return 0.0_r;
    }

    // FLEX(j, l): the settlements of the strata below the foundation, summed
    // down the profile.
    real entry(int32_t j, int32_t l) {
        const Soil& s = m.soil;
        const int32_t n = node_of_dof(m.NREAC(j));
        const int32_t p = m.PERFIL(n);
        const real D = m.DF(n);
        const char* label = law == Law::primary     ? "en flsc_3, ESTRATO="
                          : law == Law::secondary ? "en flsc_4, ESTRATO="
                                                  : "en flsc, ESTRATO=";
        // The loaded reaction l is described by the values stored at the
        // vertical degree of freedom of node l. The foundation nodes are
        // numbered first (the reading refuses anything else), so that dof is
        // NREAC(l) and its position among the area reactions is l itself.
        const int32_t g = dof(l, DZ);
        const real area = m.AREAREAC.at_or_zero(g);
        const real len = m.LONGREAC.at_or_zero(g);
        List(log) << "posicion " << g << "DO J" << l << "AREA DE REACCION=" << area
                  << "LONGITUD DE REACCION=" << len;
        // A reaction is a force per unit length: pressure on its rectangle.
        const real q = len / area;

        real S = 0.0_r;
        bool bearing = true;
        for (int32_t k = 1; k <= strata_of(m, p); ++k) {
            List(log) << label << k << " DF(NODO)=" << D << "PROF ESTRATO=" << s.PROF(p, k);
            if (!below_foundation(s, p, k, D)) continue;
            // Only the part of the bearing stratum below the footing
            // compresses (the stress-dependent law takes it whole).
            const real h = bearing && law != Law::janbu ? s.PROF(p, k) - D : s.H(p, k);
            bearing = false;
            S = S + stratum_settlement(j, l, n, p, k, h, q, len, area);
            List(log) << "SUMA=" << S;
        }
        return S;
    }

    void run() {
        size_flex(m, st);
        if (law == Law::janbu) st.FLEX.fill(0.0_r);
        if (law == Law::elastic && (st.AMZ.rows() != m.soil.NEST.size() || st.AMZ.cols() != limits::STRATA))
            st.AMZ.resize(m.soil.NEST.size(), limits::STRATA);

        List(log) << "FORMANDO MATRIZ DE FLEXIBILIDADES";
        for (int32_t j = 1; j <= m.NR; ++j) {
            const int32_t n = node_of_dof(m.NREAC(j));
            List(log) << "I=" << j << "NREAC(I)=" << m.NREAC(j) << "NODO=" << n << " PERFIL" << m.PERFIL(n);
            for (int32_t l = 1; l <= m.NR; ++l) {
                st.FLEX(j, l) = entry(j, l);
                List(log) << "almacenando para nudo y reacción" << j << l;
            }
        }
        List(log) << "MATRIZ DE FLEXIBILIDADES";
        list_rows(log, m.NR, m.NR, [&](int32_t j, int32_t l) { return st.FLEX(j, l); });
    }
};

} // namespace

void size_flex(const Model& m, CaseState& st) {
    const int32_t n = m.NR + m.MR;
    if (st.FLEX.rows() != n || st.FLEX.cols() != n) st.FLEX.resize(n, n);
}

void FLSC(const Model& m, CaseState& st, const Mat1<real>& E, Trace log) {
    FlexBuild{m, st, log, Law::elastic, &E, nullptr}.run();
}

void FLSC_3(const Model& m, CaseState& st, Trace log) { FlexBuild{m, st, log, Law::primary, nullptr, nullptr}.run(); }

void FLSC_4(const Model& m, CaseState& st, Trace log) {
    FlexBuild{m, st, log, Law::secondary, nullptr, nullptr}.run();
}

void FNLCC(const Model& m, CaseState& st, const Vec1<real>& R, Trace log) {
    FlexBuild{m, st, log, Law::janbu, nullptr, &R}.run();
}

} // namespace qb

#include "soil/flexibility.h"

#include <algorithm>
#include <cmath>

#include "soil/profile_walk.h"
#include "textio/rows.h"

namespace qb {

namespace {

enum class Law { elastic, primary, secondary, janbu };

// One flexibility matrix: the pattern shared by the four strain laws.
void build_flex(const Model& m, CaseState& st, Trace log, Law law, const Mat1<float>* E, const Vec1<float>* R) {
    const Soil& s = m.soil;
    const int32_t NR = m.NR;
    const char* label = law == Law::primary ? "en flsc_3, ESTRATO=" : law == Law::secondary ? "en flsc_4, ESTRATO=" : "en flsc, ESTRATO=";

    size_flex(m, st);
    if (law == Law::janbu) st.FLEX.fill(0.0f);
    if (law == Law::elastic && (st.AMZ.rows() != s.NEST.size() || st.AMZ.cols() != limits::STRATA))
        st.AMZ.resize(s.NEST.size(), limits::STRATA);

    List(log) << "FORMANDO MATRIZ DE FLEXIBILIDADES";
    for (int32_t j = 1; j <= NR; ++j) {
        const int32_t n = node_of_dof(m.NREAC(j));
        const int32_t p = m.PERFIL(n);
        const int32_t nest = strata_of(m, p);
        const float D = m.DF(n);
        List(log) << "I=" << j << "NREAC(I)=" << m.NREAC(j) << "NODO=" << n << " PERFIL" << p;

        for (int32_t l = 1; l <= NR; ++l) {
            // The loaded reaction l is described by the values stored at the
            // vertical degree of freedom of node l.
            const int32_t g = dof(l, DZ);
            const int32_t jl = area_reaction_position(m, g);
            const float area = m.AREAREAC.at_or_zero(g);
            const float len = m.LONGREAC.at_or_zero(g);
            List(log) << "posicion " << g << "DO J" << jl << "AREA DE REACCION=" << area
                         << "LONGITUD DE REACCION=" << len;
            // A reaction is a force per unit length: pressure on its rectangle.
            const float q = len / area;

            float S = 0.0f;
            bool bearing = true;
            for (int32_t k = 1; k <= nest; ++k) {
                List(log) << label << k << " DF(NODO)=" << D << "PROF ESTRATO=" << s.PROF(p, k);
                if (s.PROF(p, k) <= D) continue;   // above the foundation: no settlement
                // Only the part of the bearing stratum below the footing
                // compresses (the stress-dependent law takes it whole).
                const float h = bearing && law != Law::janbu ? s.PROF(p, k) - D : s.H(p, k);
                bearing = false;

                const float iz1 = infl(m.IZ, j, k, l, 1), iz2 = infl(m.IZ, j, k, l, 2);
                const float IZs = iz1 + iz2;
                const float IXs = infl(m.IX, j, k, l, 1) + infl(m.IX, j, k, l, 2);
                const float IYs = infl(m.IY, j, k, l, 1) + infl(m.IY, j, k, l, 2);
                const float IXp = std::max(0.0f, IXs), IYp = std::max(0.0f, IYs);

                switch (law) {
                case Law::elastic: {
                    List(log) << "nflag1=" << m.nflag1;
                    if ((m.nflag1 == 1 || m.nflag1 == 3) && has_entry(*E, p, k))
                        st.AMZ(p, k) = 1.0f / (*E)(p, k);          // moduli by profile
                    else if (m.nflag1 == 2 && has_entry(*E, n, k))
                        st.AMZ(p, k) = 1.0f / (*E)(n, k);          // moduli by reaction node
                    const float c = st.AMZ(p, k);
                    List(log) << "AMZ(KP,J)=" << c;
                    // Vertical strain with the Poisson effect of the lateral
                    // stresses; a negative vertical sum enters with its sign.
                    const float eps = IZs - s.NU2(p, k) * (IXp + IYp);
                    S = S + q * c * h * eps;
                    List(log) << "AINF" << j << l << k << eps;
                    break;
                }
                case Law::primary: {
                    const float c = 1.0f / s.EMV(p, k);
                    const float eps = std::max(0.0f, IZs);
                    S = S + q * c * h * eps;
                    List(log) << "AINF" << j << l << k << eps;
                    break;
                }
                case Law::secondary: {
                    const float c = 1.0f / s.EMT(p, k);
                    const float eps = std::max(0.0f, IZs);
                    S = S + q * c * h * eps * std::log10(1.0f + s.PSI(p, k) * s.T(p, k));
                    List(log) << "AINF" << j << l << k << eps;
                    break;
                }
                case Law::janbu: {
                    const float eps = std::max(0.0f, IZs);
                    const float Rj = R->at_or_zero(j);
                    // Mean stress: the foundation's, from the reaction, plus
                    // the in-situ one (vertical PZ, horizontal KO PZ).
                    const float sigma = 1.0f / 6.0f * Rj * q * (IXp + IZs + IYp)
                                      + (2.0f * s.KO(p, k) + 1.0f) * s.PZ(p, k) / 3.0f;
                    const float Em = s.K(p, k) * m.soil.PA * std::pow(sigma / m.soil.PA, s.N(p, k));
                    const float c = 1.0f / Em;
                    List(log) << "EL MODULO E ES" << Em;
                    List(log) << c << s.H(p, k) << iz1 << iz2 << len << area << k;
                    S = S + q * c * h * eps;
                    List(log) << "AINF=" << j << l << k << eps;
                    break;
                }
                }
                List(log) << "SUMA=" << S;
            }
            st.FLEX(j, l) = S;
            List(log) << "almacenando para nudo y reacción" << j << l;
        }
    }

    List(log) << "MATRIZ DE FLEXIBILIDADES";
    list_rows(log, NR, NR, [&](int32_t j, int32_t l) { return st.FLEX(j, l); });
}

} // namespace

void size_flex(const Model& m, CaseState& st) {
    const int32_t n = m.NR + m.MR;
    if (st.FLEX.rows() != n || st.FLEX.cols() != n) st.FLEX.resize(n, n);
}

void FLSC(const Model& m, CaseState& st, const Mat1<float>& E, Trace log) {
    build_flex(m, st, log, Law::elastic, &E, nullptr);
}

void FLSC_3(const Model& m, CaseState& st, Trace log) { build_flex(m, st, log, Law::primary, nullptr, nullptr); }

void FLSC_4(const Model& m, CaseState& st, Trace log) { build_flex(m, st, log, Law::secondary, nullptr, nullptr); }

void FNLCC(const Model& m, CaseState& st, const Vec1<float>& R, Trace log) {
    build_flex(m, st, log, Law::janbu, nullptr, &R);
}

} // namespace qb

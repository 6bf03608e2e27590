#include <numbers>
#include "soil/footing_springs.h"

#include <cmath>

#include "soil/flexibility.h"
#include "soil/profile_walk.h"
#include "textio/rows.h"

namespace qb::inline QB_ARITH {

void isolated_footing_springs(const Model& m, CaseState& st, const Mat1<real>& E, const Mat1<real>& nu, Trace log) {
    const Soil& s = m.soil;
    const int32_t NR = m.NR, MR = m.MR, NT = NR + MR;
    size_flex(m, st);

    List(log) << "FORMANDO MATRIZ DE FLEXIBILIDADES, ZAPATAS AISLADAS";
    List(log) << "M=" << MR;
    for (int32_t i = 1; i <= MR; ++i) {
        const int32_t g = m.NREACNOD(i);
        const int32_t n = node_of_dof(g);
        const int32_t d = component_of_dof(g);
        List(log) << "INVESTIGANDO REACCIÓN" << i << " GL=" << g;
        List(log) << "PERTENECE AL NODO" << n;

        int32_t z = 0;   // the footing under the node; the last one if several
        for (int32_t f = 1; f <= m.NZAP; ++f)
            if (m.NODOZ(f) == n) z = f;
        const real b = z > 0 ? m.ANCHOZ(z) : 0.0_r;
        const real a = z > 0 ? m.LARGOZ(z) : 0.0_r;
        // Radius of the circle with the footing's area.
        const real r = std::sqrt(a * b / std::numbers::pi_v<real>);
        List(log) << "LA ZAPATA" << z << " TIENE DIMENSIONES" << b << a;
        List(log) << "AREA DE LA ZAPATA" << a * b;
        List(log) << "RADIO EQUIVALENTE DE LA ZAPATA" << r;

        real Sv = 0.0_r, Sh = 0.0_r, Sr = 0.0_r;
        const int32_t p = m.PERFIL(n);
        const int32_t nest = strata_of(m, p);
        for (int32_t k = 1; k <= nest; ++k) {
            List(log) << "ESTRATO" << k;
            const real nuk = has_entry(nu, p, k) ? nu(p, k) : 0.0_r;
            List(log) << s.H(p, k) << nuk;
            List(log) << "prof=" << s.PROF(p, k) << "  df=" << m.DF(n);
            if (!(m.DF(n) < s.PROF(p, k))) continue;   // stratum above the footing
            const real Ek = has_entry(E, p, k) ? E(p, k) : 0.0_r;
            const real G = Ek / (2.0_r * (1.0_r + nuk));
            // Stiffnesses of a rigid circular footing on an elastic half-space.
            const real Kv = 2.0_r * Ek * r / (1.0_r - nuk * nuk);
            const real Kh = 32.0_r * (1.0_r - nuk) * G * r / (7.0_r - 8.0_r * nuk);
            const real Kr = 8.0_r * G * (r * r * r) / (3.0_r * (1.0_r - nuk));
            // The strata act as springs in series. No footing, or one of no
            // area, is a rigid support: its flexibility stays zero (the
            // springs of zero stiffness would make it infinite).
            if (r > 0.0_r) {
                Sv = Sv + 1.0_r / Kv;
                Sh = Sh + 1.0_r / Kh;
                Sr = Sr + 1.0_r / Kr;
            }
            List(log) << "RIGIDECES" << Kv << Kh << Kr;
            List(log) << "SUMAS (INVERSOS):" << Sv << Sh << Sr;
        }

        List(log) << "almacenando para la reaccion" << i;
        real flex = 0.0_r;
        if (d == 1 || d == 2) {
            flex = Sh;
            List(log) << "SE TIENE UNA RIGIDEZ HORIZONTAL" << "  GL=" << d;
        } else if (d == 3) {
            flex = Sv;
            List(log) << "SE TIENE UNA RIGIDEZ VERTICAL" << "  GL=" << d;
        } else {
            flex = Sr;
            List(log) << "SE TIENE UNA RIGIDEZ POR ROTACIÓN" << "  GL=" << d;
        }
        st.FLEX(NR + i, NR + i) = flex;
    }

    List(log) << "MATRIZ DE FLEXIBILIDADES, ZAPATAS CORRIDAS+AISLADAS";
    fixed_rows(log, NT, NT, 20, 8, 20, [&](int32_t j, int32_t c) { return st.FLEX(j, c); });
}

} // namespace qb

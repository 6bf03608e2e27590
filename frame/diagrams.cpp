#include "frame/diagrams.h"

#include <cmath>

#include "frame/assembly.h"

namespace qb::inline QB_ARITH {

namespace {

// Forces at distance x from the first node of a bar of length L: line load q
// downwards, soil reactions r1 and r2 upwards over the two halves, end shear
// V0 and moment M0 at the first node.
void forces_at(real x, real L, real q, real r1, real r2, real V0, real M0, real& V, real& M) {
    const real half = L / 2.0_r;
    if (x <= half) {
        V = x * (r1 - q) + V0;
        M = (x * (r1 - q) / 2.0_r + V0) * x + M0;
    } else {
        const real e = x - half;
        V = V0 + r1 * L / 2.0_r - q * x + r2 * e;
        M = (V0 - x * q / 2.0_r) * x + (x - L / 4.0_r) * (r1 * L / 2.0_r) + M0 + (r2 / 2.0_r) * (e * e);
    }
}

} // namespace

void axis_diagrams(const Model& m, const CaseState& st, int32_t caso, Trace log, DiagramSink& out) {
    List(log) << "DIAGRAMAS DE ELEMENTOS MECANICOS POR EJE";
    List(log) << "caso=" << caso;

    // Every bar is cut into the same number of equal intervals.
    const int32_t ndiv = m.NDIV >= 1 ? m.NDIV : 1;
    for (int32_t i = 1; i <= m.NEJES; ++i) {
        out.axis(i);
        real s = 0.0_r;   // running distance along the axis
        for (int32_t k = 1; k <= m.NBEJE(i); ++k) {
            const int32_t j = m.BEJE(i, k);
            if (j < 1 || j > m.NB) continue;   // not a bar of the model
            const real L = m.LBARRA(j);
            const real dx = L / static_cast<real>(ndiv);

            if (caso == 2)
                List(log) << "CVMAX+CM+PP+PV" << m.CUNIF(j, CVMAX) << m.CUNIF(j, CMUERTA) << m.CUNIF(j, PPROPIO)
                          << m.CUNIF(j, PV_LOAD);
            const real q = downward_line_load(m, j, caso);

            // Soil line reactions (upwards) of a foundation bar, each over its
            // half of the bar.
            for (int32_t r = 1; r <= m.NR; ++r)
                List(log) << "REACCION" << m.NREAC(r) << "VGL(NBAR,3)=" << m.VGL(j, 3) << "VGL(NBAR,9)=" << m.VGL(j, 9);
            const BarReactions p = bar_reactions(m, j);
            real r1 = 0.0_r, r2 = 0.0_r;
            if (m.SU(j) == 1) {
                if (p.first != 0) r1 = st.reaction(m, p.first);
                if (p.second != 0) r2 = st.reaction(m, p.second);
            }
            List(log) << "NBAR=" << j << "SU(NBAR)=" << m.SU(j) << "rr=" << r1 << "rs=" << r2 << "WL=" << q
                      << "al1=" << L << "dl=" << dx << "deje=" << s;

            DiagramPoint pt;
            pt.bar = j;
            // The axial column shows the first node's axial force as a
            // non-positive value.
            pt.N = -std::fabs(st.ELMEC(j, 1));
            pt.Vy = st.ELMEC(j, 2);
            for (int32_t n = 0; n <= ndiv; ++n) {
                const real x = static_cast<real>(n) * dx;
                List(log) << "xpos=" << x;
                forces_at(x, L, q, r1, r2, st.ELMEC(j, 3), st.ELMEC(j, 5), pt.Vz, pt.My);
                pt.s = s + x;
                pt.Mz = x * pt.Vy + st.ELMEC(j, 6);
                out.point(pt);
            }
            s += static_cast<real>(ndiv) * dx;
        }
    }
}

} // namespace qb

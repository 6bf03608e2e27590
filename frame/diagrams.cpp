#include "frame/diagrams.h"

#include <cmath>

#include "frame/assembly.h"
#include "frame/bar_forces.h"
#include "frame/frame_log.h"

namespace qb {

void print_axis_diagrams(Model& m, Io& io, int32_t caso) {
    io.report.empty(2);
    Rec(io.report).text("DIAGRAMAS DE ELEMENTOS MECANICOS POR EJE");
    List(io.log) << "DIAGRAMAS DE ELEMENTOS MECANICOS POR EJE";
    List(io.log) << "caso=" << caso;

    // Every bar is cut into the same number of equal intervals.
    const int32_t ndiv = m.NDIV >= 1 ? m.NDIV : 1;
    for (int32_t i = 1; i <= m.NEJES; ++i) {
        List(io.report).data(name20(m.NOMEJE(i)));
        Rec(io.report).text("BARRA     X         Nx'         Vz'         My'         Vy'         Mz'");
        float s = 0.0f;   // running distance along the axis
        for (int32_t k = 1; k <= m.NBEJE(i); ++k) {
            const int32_t j = m.BEJE(i, k);
            if (j < 1 || j > m.NB) continue;   // not a bar of the model
            const float L = m.LBARRA(j);
            const float dx = L / static_cast<float>(ndiv);

            // Line load along -local z. The expansion pressure of case 1
            // pushes upwards, so it enters with the opposite sign.
            float q;
            if (caso == 1) {
                q = -m.CUNIF(j, PV_LOAD);
            } else {
                if (caso == 2)
                    List(io.log) << "CVMAX+CM+PP+PV" << m.CUNIF(j, CVMAX) << m.CUNIF(j, CMUERTA)
                                 << m.CUNIF(j, PPROPIO) << m.CUNIF(j, PV_LOAD);
                q = case_line_load(m, j, caso);
            }

            // Soil line reactions (upwards) of a foundation bar, each over its
            // half of the bar.
            int32_t p1 = 0, p2 = 0;
            for (int32_t r = 1; r <= m.NR; ++r) {
                List(io.log) << "REACCION" << m.NREAC(r) << "VGL(NBAR,3)=" << m.VGL(j, 3) << "VGL(NBAR,9)="
                             << m.VGL(j, 9);
                if (m.NREAC(r) == m.VGL(j, 3)) p1 = r;
                if (m.NREAC(r) == m.VGL(j, 9)) p2 = r;
            }
            float r1 = 0.0f, r2 = 0.0f;
            if (m.SU(j) == 1) {
                if (p1 != 0 && m.NTOT + p1 <= m.DESPL.size()) r1 = m.DESPL(m.NTOT + p1);
                if (p2 != 0 && m.NTOT + p2 <= m.DESPL.size()) r2 = m.DESPL(m.NTOT + p2);
            }
            List(io.log) << "NBAR=" << j << "SU(NBAR)=" << m.SU(j) << "rr=" << r1 << "rs=" << r2 << "WL=" << q
                         << "al1=" << L << "dl=" << dx << "deje=" << s;

            const float N0 = m.ELMEC(j, 1), Vy0 = m.ELMEC(j, 2), V0 = m.ELMEC(j, 3);
            const float M0 = m.ELMEC(j, 5), Mz0 = m.ELMEC(j, 6);
            const float half = L / 2.0f;
            // The axial column shows the first node's axial force as a
            // non-positive value.
            const float N = -std::fabs(N0);
            for (int32_t p = 0; p <= ndiv; ++p) {
                const float x = static_cast<float>(p) * dx;
                List(io.log) << "xpos=" << x;
                float V, M;
                if (x <= half) {
                    V = x * (r1 - q) + V0;
                    M = (x * (r1 - q) / 2.0f + V0) * x + M0;
                } else {
                    const float e = x - half;
                    V = V0 + r1 * L / 2.0f - q * x + r2 * e;
                    M = (V0 - x * q / 2.0f) * x + (x - L / 4.0f) * (r1 * L / 2.0f) + M0 + (r2 / 2.0f) * (e * e);
                }
                Rec(io.report).I(j, 5).F(s + x, 8, 2).F(N, 12, 3).F(V, 12, 3).F(M, 12, 3).F(Vy0, 12, 3).F(
                    x * Vy0 + Mz0, 12, 3);
            }
            s += static_cast<float>(ndiv) * dx;
        }
    }
}

} // namespace qb

#include "soil/footing_springs.h"

#include <cmath>

#include "soil/profile_walk.h"

namespace qb {

void isolated_footing_springs(Model& m, Io& io, const Mat1<float>& E, const Mat1<float>& nu) {
    const Soil& s = m.soil;
    const int32_t NR = m.NR, MR = m.MR, NT = NR + MR;
    if (m.FLEX.rows() != NT || m.FLEX.cols() != NT) m.FLEX.resize(NT, NT);

    List(io.log) << "FORMANDO MATRIZ DE FLEXIBILIDADES, ZAPATAS AISLADAS";
    List(io.log) << "M=" << MR;
    for (int32_t i = 1; i <= MR; ++i) {
        const int32_t g = m.NREACNOD(i);
        const int32_t n = node_of_dof(g);
        const int32_t d = g - 6 * (n - 1);   // DX DY DZ MX MY MZ
        List(io.log) << "INVESTIGANDO REACCIÓN" << i << " GL=" << g;
        List(io.log) << "PERTENECE AL NODO" << n;

        int32_t z = 0;   // the footing under the node; the last one if several
        for (int32_t f = 1; f <= m.NZAP; ++f)
            if (m.NODOZ(f) == n) z = f;
        const float b = z > 0 ? m.ANCHOZ(z) : 0.0f;
        const float a = z > 0 ? m.LARGOZ(z) : 0.0f;
        // Radius of the circle with the footing's area.
        const float r = std::sqrt(a * b / 3.1415927f);
        List(io.log) << "LA ZAPATA" << z << " TIENE DIMENSIONES" << b << a;
        List(io.log) << "AREA DE LA ZAPATA" << a * b;
        List(io.log) << "RADIO EQUIVALENTE DE LA ZAPATA" << r;

        float Sv = 0.0f, Sh = 0.0f, Sr = 0.0f;
        // No footing, or one of no area, is a rigid support: zero
        // flexibility (its springs would be of zero stiffness).
        if (r > 0.0f) {
            const int32_t p = m.PERFIL(n);
            const int32_t nest = strata_of(m, p);
            for (int32_t k = 1; k <= nest; ++k) {
                List(io.log) << "ESTRATO" << k;
                const float nuk = has_entry(nu, p, k) ? nu(p, k) : 0.0f;
                List(io.log) << s.H(p, k) << nuk;
                List(io.log) << "prof=" << s.PROF(p, k) << "  df=" << m.DF(n);
                if (!(m.DF(n) < s.PROF(p, k))) continue;   // stratum above the footing
                const float Ek = has_entry(E, p, k) ? E(p, k) : 0.0f;
                const float G = Ek / (2.0f * (1.0f + nuk));
                // Stiffnesses of a rigid circular footing on an elastic half-space.
                const float Kv = 2.0f * Ek * r / (1.0f - nuk * nuk);
                const float Kh = 32.0f * (1.0f - nuk) * G * r / (7.0f - 8.0f * nuk);
                const float Kr = 8.0f * G * (r * r * r) / (3.0f * (1.0f - nuk));
                // The strata act as springs in series.
                Sv = Sv + 1.0f / Kv;
                Sh = Sh + 1.0f / Kh;
                Sr = Sr + 1.0f / Kr;
                List(io.log) << "RIGIDECES" << Kv << Kh << Kr;
                List(io.log) << "SUMAS (INVERSOS):" << Sv << Sh << Sr;
            }
        }

        List(io.log) << "almacenando para la reaccion" << i;
        float flex = 0.0f;
        if (d == 1 || d == 2) {
            flex = Sh;
            List(io.log) << "SE TIENE UNA RIGIDEZ HORIZONTAL" << "  GL=" << d;
        } else if (d == 3) {
            flex = Sv;
            List(io.log) << "SE TIENE UNA RIGIDEZ VERTICAL" << "  GL=" << d;
        } else {
            flex = Sr;
            List(io.log) << "SE TIENE UNA RIGIDEZ POR ROTACIÓN" << "  GL=" << d;
        }
        m.FLEX(NR + i, NR + i) = flex;
    }

    List(io.log) << "MATRIZ DE FLEXIBILIDADES, ZAPATAS CORRIDAS+AISLADAS";
    for (int32_t j = 1; j <= NT; ++j) {
        // twenty values to a line
        for (int32_t c0 = 1; c0 <= NT; c0 += 20) {
            Rec line(io.log);
            for (int32_t c = c0; c <= NT && c < c0 + 20; ++c) line.F(m.FLEX(j, c), 20, 8);
        }
    }
}

} // namespace qb

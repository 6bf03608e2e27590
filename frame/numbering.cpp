#include "frame/numbering.h"

namespace qb::inline QB_ARITH {

void number_dofs(Model& m, Trace log) {
    const int32_t NTOT = m.NTOT;

    List(log) << "restricciones por gl";
    for (int32_t n = 1; n <= m.NN; ++n)
        for (int32_t k = 1; k <= 6; ++k)
            List(log) << n << dof(n, k) << (m.connected(n) ? 0 : 1);

    // A node that ends no bar carries nothing: it is fixed whatever the data say.
    for (int32_t n = 1; n <= m.NN; ++n)
        if (!m.connected(n))
            for (int32_t k = 1; k <= 6; ++k) m.NRES(n, k) = 1;

    List(log) << "nn=" << m.NN << " nb=" << m.NB;

    m.NR = 0;
    m.MR = 0;
    m.NFIXED = 0;
    m.NREAC.clear();
    m.NREACNOD.clear();

    // The soil acts on the vertical translation of every foundation-bar end.
    for (int32_t j = 1; j <= m.NB; ++j) {
        if (m.SU(j) != 1) continue;
        for (int32_t n : {m.PI(j), m.PJ(j)}) {
            if (m.NRES(n, 3) == 0) {
                m.NRES(n, 3) = 2;
                List(log) << "cambiando la restriccion al nodo" << n << int32_t{2};
            }
        }
    }
    // An isolated footing springs every free component of its node.
    for (int32_t f = 1; f <= m.NZAP; ++f) {
        const int32_t n = m.NODOZ(f);
        for (int32_t k = 1; k <= 6; ++k)
            if (m.NRES(n, k) == 0) m.NRES(n, k) = 3;
    }

    List(log) << "RESTRICCIONES adaptadas";
    for (int32_t n = 1; n <= m.NN; ++n)
        List(log) << n << m.NRES(n, 1) << m.NRES(n, 2) << m.NRES(n, 3) << m.NRES(n, 4) << m.NRES(n, 5)
                  << m.NRES(n, 6);

    m.NRESTR.resize(NTOT);
    List(log) << "RESTRICCIONES POR CIMENTACION";
    for (int32_t n = 1; n <= m.NN; ++n) {
        for (int32_t k = 1; k <= 6; ++k) {
            const int32_t g = dof(n, k);
            const int32_t code = m.NRES(n, k);
            List(log) << "I,J,NRES(I,J)=" << n << k << code;
            if (code == 1) {
                m.NRESTR(g) = 1;
                ++m.NFIXED;
            } else if (code == 3) {
                m.NREACNOD.push_back(g);
                ++m.MR;
                List(log) << "MR=" << m.MR;
            } else if (code == 2 && k == 3) {
                m.NREAC.push_back(g);
                ++m.NR;
                List(log) << "NR=" << m.NR;
            }
        }
    }
    m.NRCENT = m.NR / 2 + 1;

    List(log) << "REACCIONES DE AREA EN INTERACCION";
    for (int32_t i = 1; i <= m.NR; ++i) List(log) << i << m.NREAC(i);
    List(log) << "REACCIONES NODALES EN INTERACCION";
    for (int32_t i = 1; i <= m.MR; ++i) List(log) << i << m.NREACNOD(i);

    m.NGL.resize(NTOT);
    int32_t fixed_so_far = 0;
    for (int32_t g = 1; g <= NTOT; ++g) {
        if (m.NRESTR(g) == 1) {
            m.NGL(g) = 0;
            ++fixed_so_far;
        } else {
            m.NGL(g) = g - fixed_so_far;
        }
    }
    m.NGRED = NTOT - m.NFIXED;

    List(log) << "NUEVO VECTOR DE GRADOS DE LIBERTAD";
    for (int32_t g = 1; g <= NTOT; ++g) List(log) << g << m.NGL(g);
    List(log) << "GRADOS DE LIBERTAD TOTALES:" << NTOT;
    List(log) << "GRADOS DE LIBERTAD EFECTIVOS NGRED:" << m.NGRED;
}

} // namespace qb

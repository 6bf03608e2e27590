#include "soil/profiles.h"

namespace qb::inline QB_ARITH {

bool stratum_state(Model& m, int32_t p, int32_t k, Trace log) {
    Soil& s = m.soil;
    // depth and vertical pressure at the top of the stratum
    const real d = k > 1 ? s.PROF(p, k - 1) : 0.0_r;
    const real q = k > 1 ? s.PV(p, k - 1) : 0.0_r;
    const real h = s.H(p, k), gama = s.GAMA(p, k);
    s.PZ(p, k) = q + 0.5_r * gama * h;
    s.Z(p, k) = d + 0.5_r * h;
    s.PV(p, k) = q + h * gama;
    s.PROF(p, k) = d + h;

    // Depth of the foundation centre: that of the central reaction's node.
    const int32_t ncent = m.NRCENT;
    bool bearing = false;
    if (ncent >= 1 && ncent <= m.NN) {
        const real D = m.DF(ncent);
        if (d <= D && D <= s.PROF(p, k)) {
            s.NAPOYO(p) = k;
            m.PVC = k == 1 ? -(s.GAMA(p, 1) * D) : -(s.PV(p, k - 1) + (D - s.PROF(p, k - 1)) * s.GAMA(p, k));
            bearing = true;
        }
    }
    List(log) << "ESTRATO" << k << "Z=" << s.Z(p, k) << "GAMA=" << s.GAMA(p, k) << "H=" << s.H(p, k)
              << "PROF=" << s.PROF(p, k) << "PZ=" << s.PZ(p, k) << "PV=" << s.PV(p, k);
    return bearing;
}

void lateral_pressures(Soil& s, int32_t p) {
    for (int32_t k = 1; k <= s.NEST(p); ++k) {
        s.PH(p, k) = s.KO(p, k) * s.PV(p, k);
        if (k == 1) s.EMPUJE(p, 1) = 0.5_r * s.PH(p, 1) * s.PROF(p, 1);
        else s.EMPUJE(p, k) = 0.5_r * (s.PH(p, k - 1) + s.PH(p, k)) * s.H(p, k);
    }
}

void pressure_rows(Channel& ch, const Soil& s, int32_t p, int decimals) {
    real S = 0.0_r;
    for (int32_t k = 1; k <= s.NEST(p); ++k) {
        S = S + s.EMPUJE(p, k);
        Rec(ch).I(k, 5).F(s.PROF(p, k), 13, decimals).F(s.PV(p, k), 13, decimals).F(s.PH(p, k), 13, decimals)
            .F(s.EMPUJE(p, k), 13, decimals).F(S, 13, decimals);
    }
}

void trace_profile_pressures(const Model& m, int32_t p, Trace log) {
    List(log) << "PRESIONES EN PERFIL" << p;
    List(log) << "ESTRATO  PROFUNDIDAD      PV       EMPUJE POR  EMPUJE ";
    List(log) << "               m         " << m.unid(4) << "    ESTRATO" << m.unid(1) << "  ACUMULADO " << m.unid(1);
    pressure_rows(log, m.soil, p, 4);
}

} // namespace qb

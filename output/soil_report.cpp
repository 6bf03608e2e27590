#include "output/soil_report.h"

#include <algorithm>

#include "soil/field_moduli.h"
#include "soil/profile_walk.h"
#include "soil/profiles.h"
#include "soil/reaction_areas.h"

namespace qb::inline QB_ARITH {

namespace {

constexpr int32_t MODULI_PER_LINE = 30;

// One table of field moduli: the reaction numbers, then one row per stratum,
// thirty values to a line.
void modulus_table(Channel& report, const char* title, const Mat1<real>& E, int32_t NR, int32_t K) {
    List(report) << title;
    if (NR < 1) report.empty();
    for (int32_t j0 = 1; j0 <= NR; j0 += MODULI_PER_LINE) {
        Rec r(report);
        for (int32_t j = j0; j <= std::min(NR, j0 + MODULI_PER_LINE - 1); ++j) r.I(j, 10);
    }
    for (int32_t k = 1; k <= K; ++k) {
        if (NR < 1) report.empty();
        for (int32_t j0 = 1; j0 <= NR; j0 += MODULI_PER_LINE) {
            Rec r(report);
            for (int32_t j = j0; j <= std::min(NR, j0 + MODULI_PER_LINE - 1); ++j) r.F(E(j, k), 10, 2);
        }
    }
    report.empty();
}

} // namespace

void report_profile_pressures(const Model& m, int32_t p, Channel& report) {
    report.empty(2);
    List(report) << "PRESIONES EN PERFIL" << p;
    List(report) << "ESTRATO  PROFUNDIDAD      Pv            Ph        EMPUJE POR     EMPUJE ";
    List(report) << "             " << m.unid(2) << "        " << m.unid(4) << "            " << m.unid(4)
                 << "     ESTRATO " << m.unid(1) << "  ACUMULADO " << m.unid(1);
    pressure_rows(report, m.soil, p, 2);
}

void report_reaction_areas(const Model& m, Channel& report) {
    report.empty();
    List(report) << "LONGITUD DE BARRAS";
    for (int32_t j = 1; j <= m.NB; ++j) Rec(report).I(j, 6).F(m.LBARRA(j), 10, 4);

    report.empty();
    List(report) << "               COORDENADAS DE REACCIONES ";
    List(report) << "              PUNTO       PUNTO INICIAL   PUNTO FINAL";
    List(report) << "           (X  ,   Y)          (Xi  ,   Yi)        " << "(Xf  ,   Yf)";
    reaction_point_rows(report, m);
    list_reaction_lengths(m, report, m.NTOT);
    List(report) << "Área de la cimentación:" << m.AREATOT;
    tributary_area_rows(report, m);
}

void report_field_moduli(const Model& m, Channel& report) {
    const Soil& s = m.soil;
    List(report) << "Pv=" << m.PVC;
    List(report) << "qneta=" << net_pressure(m);
    List(report) << "MÓDULOS DE CAMPO CALCULADOS";
    for (int32_t j = 1; j <= m.NR; ++j) {
        const int32_t n = node_of_dof(m.NREAC(j));
        const int32_t p = reaction_profile(m, j);
        List(report) << "PARA EL NODO DE REACCIÓN" << j;
        for (int32_t k = 1; k <= s.NEST(p); ++k) {
            if (!below_foundation(s, p, k, m.DF(n))) continue;
            List(report) << "Nodo=" << j << "ESTRATO=" << k << "Val inf=" << m.SUM_AINF(j, k);
            List(report) << "s_lab=" << s.SLAB(p, k) << "S_CPO=" << expansion_stress(m, j, k);
            List(report) << "s_lab=" << s.SLAB(p, k) << "S_CPO=" << compression_stress(m, j, k);
            List(report) << j << k << s.E1(p, k) << m.EELAS(j, k);
            List(report) << j << k << s.E2(p, k) << m.ECOMP(j, k);
        }
    }

    const int32_t K = field_table_strata(m);
    modulus_table(report, "MÓDULOS DE CAMPO, EXPANSIÓN", m.EELAS, m.NR, K);
    modulus_table(report, "MÓDULOS DE CAMPO, COMPRESIÓN INMEDIATA", m.ECOMP, m.NR, K);

    const int32_t c = m.NRCENT;
    List(report) << "Los módulos de campo a usar del nodo" << c << "son:";
    if (m.NR >= 1 && c >= 1 && c <= m.NR) {
        const int32_t p_last = reaction_profile(m, m.NR);
        for (int32_t p = 1; p <= p_last; ++p) {
            List(report) << "Perfil=" << p;
            for (int32_t k = 1; k <= K; ++k)
                List(report) << "Estrato=" << k << "E elas=" << m.EELAS(c, k) << "E comp=" << m.ECOMP(c, k);
        }
    }
}

} // namespace qb

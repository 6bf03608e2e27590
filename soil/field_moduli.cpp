#include "soil/field_moduli.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace qb {

namespace {

// Exponent of the stress dependence E = E_lab (s_lab / s_field)^m; a single
// precision value near, but not exactly, 3/7.
constexpr float EXPONENT = 0.42857146f;

constexpr int32_t PER_LINE = 30;

// One table of field moduli: the reaction numbers, then one row per stratum,
// thirty values to a line.
void modulus_table(Io& io, const char* title, const Mat1<float>& E, int32_t NR, int32_t K) {
    List(io.report) << title;
    if (NR < 1) io.report.empty();
    for (int32_t j0 = 1; j0 <= NR; j0 += PER_LINE) {
        Rec r(io.report);
        for (int32_t j = j0; j <= std::min(NR, j0 + PER_LINE - 1); ++j) r.I(j, 10);
    }
    for (int32_t k = 1; k <= K; ++k) {
        if (NR < 1) io.report.empty();
        for (int32_t j0 = 1; j0 <= NR; j0 += PER_LINE) {
            Rec r(io.report);
            for (int32_t j = j0; j <= std::min(NR, j0 + PER_LINE - 1); ++j) r.F(E(j, k), 10, 2);
        }
    }
    io.report.empty();
}

} // namespace

void compute_field_moduli(Model& m, Io& io) {
    const Soil& s = m.soil;
    const int32_t NR = m.NR;

    // Net pressure: the contact pressure less the unloading by the excavation
    // (PVC is negative, a compression).
    const float qn = m.qmax + m.PVC;
    List(io.report) << "Pv=" << m.PVC;
    List(io.report) << "qneta=" << qn;
    List(io.report) << "MÓDULOS DE CAMPO CALCULADOS";

    const int32_t rows = std::max({NR, m.NN, int32_t{1}});
    m.EELAS.resize(rows, limits::STRATA);
    m.ECOMP.resize(rows, limits::STRATA);

    int32_t p_last = 0;
    for (int32_t j = 1; j <= NR; ++j) {
        const int32_t n = node_of_dof(m.NREAC(j));
        const int32_t p = m.PERFIL(n);
        if (p < 1 || p > s.NPS)
            throw InputError("node " + std::to_string(n) + " carries an area reaction on soil profile " +
                             std::to_string(p) + ", but only " + std::to_string(s.NPS) + " profiles were read");
        p_last = p;
        List(io.log) << "EL GL DE LA REACCION" << j << " ES:" << m.NREAC(j);
        List(io.log) << "NODO:" << n;
        List(io.report) << "PARA EL NODO DE REACCIÓN" << j;
        for (int32_t k = 1; k <= s.NEST(p); ++k) {
            List(io.log) << "Z1 ORIGINAL:" << s.Z(p, k) << "PROF=" << s.PROF(p, k) << "Df=" << m.DF(n);
            // A stratum whose bottom is not below the foundation is not loaded.
            if (s.PROF(p, k) <= m.DF(n)) continue;
            // Stress in the stratum under the reaction: the influence value
            // times the unloading (expansion) or the net pressure (compression).
            const float S = m.SUM_AINF(j, k);
            const float se = S * std::fabs(m.PVC);
            m.EELAS(j, k) = s.E1(p, k) * std::pow(s.SLAB(p, k) / se, EXPONENT);
            const float sc = S * qn;
            m.ECOMP(j, k) = s.E2(p, k) * std::pow(s.SLAB(p, k) / sc, EXPONENT);
            List(io.report) << "Nodo=" << j << "ESTRATO=" << k << "Val inf=" << S;
            List(io.report) << "s_lab=" << s.SLAB(p, k) << "S_CPO=" << se;
            List(io.report) << "s_lab=" << s.SLAB(p, k) << "S_CPO=" << sc;
            List(io.report) << j << k << s.E1(p, k) << m.EELAS(j, k);
            List(io.report) << j << k << s.E2(p, k) << m.ECOMP(j, k);
        }
    }

    // The tables list the strata of the last reaction's profile.
    const int32_t K = p_last >= 1 ? s.NEST(p_last) : 0;
    modulus_table(io, "MÓDULOS DE CAMPO, EXPANSIÓN", m.EELAS, NR, K);
    modulus_table(io, "MÓDULOS DE CAMPO, COMPRESIÓN INMEDIATA", m.ECOMP, NR, K);

    // Moduli "at the central node": every profile takes the central
    // reaction's values, so each reaction reading its own profile's column
    // gets them. The whole stratum row is copied (strata the central reaction
    // does not reach are 0 there as well).
    const int32_t c = m.NRCENT;
    List(io.report) << "Los módulos de campo a usar del nodo" << c << "son:";
    const int32_t profiles = std::max(s.NPS, int32_t{1});
    m.EELASP.resize(profiles, limits::STRATA);
    m.ECOMPP.resize(profiles, limits::STRATA);
    if (NR >= 1 && c >= 1 && c <= NR) {
        for (int32_t p = 1; p <= profiles; ++p)
            for (int32_t k = 1; k <= limits::STRATA; ++k) {
                m.EELASP(p, k) = m.EELAS(c, k);
                m.ECOMPP(p, k) = m.ECOMP(c, k);
            }
        for (int32_t p = 1; p <= p_last; ++p) {
            List(io.report) << "Perfil=" << p;
            for (int32_t k = 1; k <= K; ++k)
                List(io.report) << "Estrato=" << k << "E elas=" << m.EELAS(c, k) << "E comp=" << m.ECOMP(c, k);
        }
    }
}

} // namespace qb

#include "soil/field_moduli.h"

#include <algorithm>
#include <string>

#include "soil/profile_walk.h"
#include "textio/errors.h"

namespace qb::inline QB_ARITH {

namespace {

// Exponent of the stress dependence E = E_lab (s_lab / s_field)^m; a single
// precision value near, but not exactly, 3/7.
constexpr real EXPONENT = 0.42857146_r;

} // namespace

void compute_field_moduli(Model& m, Trace log) {
    const Soil& s = m.soil;
    const int32_t NR = m.NR;
    const int32_t rows = std::max({NR, m.NN, int32_t{1}});
    m.EELAS.resize(rows, limits::STRATA);
    m.ECOMP.resize(rows, limits::STRATA);

    for (int32_t j = 1; j <= NR; ++j) {
        const int32_t n = node_of_dof(m.NREAC(j));
        const int32_t p = m.PERFIL(n);
        if (p < 1 || p > s.NPS)
            throw InputError((n <= m.node_line.size() ? m.data_name + ":" + std::to_string(m.node_line(n)) + ": " : "") +
                             "node " + std::to_string(n) + " carries an area reaction on soil profile " +
                             std::to_string(p) + ", but only " + std::to_string(s.NPS) + " profiles were read");
        List(log) << "EL GL DE LA REACCION" << j << " ES:" << m.NREAC(j);
        List(log) << "NODO:" << n;
        for (int32_t k = 1; k <= s.NEST(p); ++k) {
            List(log) << "Z1 ORIGINAL:" << s.Z(p, k) << "PROF=" << s.PROF(p, k) << "Df=" << m.DF(n);
            if (!below_foundation(s, p, k, m.DF(n))) continue;
            m.EELAS(j, k) = s.E1(p, k) * std::pow(s.SLAB(p, k) / expansion_stress(m, j, k), EXPONENT);
            m.ECOMP(j, k) = s.E2(p, k) * std::pow(s.SLAB(p, k) / compression_stress(m, j, k), EXPONENT);
        }
    }

    // Moduli "at the central node": every profile takes the central
    // reaction's values, so each reaction reading its own profile's column
    // gets them. The whole stratum row is copied (strata the central reaction
    // does not reach are 0 there as well).
    const int32_t c = m.NRCENT;
    const int32_t profiles = std::max(s.NPS, int32_t{1});
    m.EELASP.resize(profiles, limits::STRATA);
    m.ECOMPP.resize(profiles, limits::STRATA);
    if (NR >= 1 && c >= 1 && c <= NR)
        for (int32_t p = 1; p <= profiles; ++p)
            for (int32_t k = 1; k <= limits::STRATA; ++k) {
                m.EELASP(p, k) = m.EELAS(c, k);
                m.ECOMPP(p, k) = m.ECOMP(c, k);
            }
    warn_central_strata(m);
}

void warn_central_strata(Model& m) {
    const int32_t NR = m.NR, c = m.NRCENT;
    if (m.nflag1 != 1 || NR < 1 || c < 1 || c > NR) return;
    // The moduli tables are written by the last reaction's profile: the
    // strata beyond its count are the ones a copy limited to it would miss.
    const int32_t K = field_table_strata(m);
    int32_t deepest = 0;
    for (int32_t k = K + 1; k <= limits::STRATA; ++k)
        if (m.EELAS(c, k) != 0.0_r || m.ECOMP(c, k) != 0.0_r) deepest = k;
    if (deepest == 0) return;
    m.warnings.add(m.data_name, 0,
                   "the field moduli at the central node (NFLAG1 = 1) are taken for " + std::to_string(deepest) +
                       " strata, though the profile of the last area reaction has only " + std::to_string(K) +
                       "; a copy limited to " + std::to_string(K) +
                       " strata would leave the deeper ones with a zero modulus (infinite compliance); check that "
                       "the profiles are meant to have different numbers of strata");
}

} // namespace qb

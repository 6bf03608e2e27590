// Small helpers shared by the routines that walk the strata under a reaction.
#pragma once

#include <algorithm>

#include "model/model.h"

namespace qb::inline QB_ARITH {

// Number of strata of profile p that can be walked. A node with no profile
// (0) or a profile number outside the soil tables has no strata under it, so
// its rows of influence values and flexibilities stay zero.
inline int32_t strata_of(const Model& m, int32_t p) {
    if (p < 1 || p > m.soil.NEST.size()) return 0;
    return std::clamp<int32_t>(m.soil.NEST(p), 0, std::min<int32_t>(limits::STRATA, m.soil.PROF.cols()));
}

// Whether stratum k of profile p reaches below the foundation depth df: the
// strata wholly above it carry no load from the foundation.
inline bool below_foundation(const Soil& s, int32_t p, int32_t k, real df) { return !(s.PROF(p, k) <= df); }

// Whether a (profile or reaction, stratum) table holds entry (i, k).
inline bool has_entry(const Mat1<real>& t, int32_t i, int32_t k) {
    return i >= 1 && i <= t.rows() && k >= 1 && k <= t.cols();
}

// Influence value (j, k, l, d), 0 when the table was never sized that far
// (entries that were never computed are 0 by definition).
inline real infl(const Arr4<real>& a, int32_t j, int32_t k, int32_t l, int32_t d) {
    if (j > a.extent(0) || k > a.extent(1) || l > a.extent(2) || d > a.extent(3)) return 0.0_r;
    return a(j, k, l, d);
}

// Influence values (j, k, l) summed over the two directions: from the lean
// store of the large-model path, or added up from the two directions of the
// tables (first plus second, as every formula adds them).
inline real ix_sum(const Model& m, int32_t j, int32_t k, int32_t l) {
    return m.large ? infl(m.IXS, j, k, l, 1) : infl(m.IX, j, k, l, 1) + infl(m.IX, j, k, l, 2);
}
inline real iy_sum(const Model& m, int32_t j, int32_t k, int32_t l) {
    return m.large ? infl(m.IYS, j, k, l, 1) : infl(m.IY, j, k, l, 1) + infl(m.IY, j, k, l, 2);
}
inline real iz_sum(const Model& m, int32_t j, int32_t k, int32_t l) {
    return m.large ? infl(m.IZS, j, k, l, 1) : infl(m.IZ, j, k, l, 1) + infl(m.IZ, j, k, l, 2);
}

} // namespace qb

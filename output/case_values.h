// What the VTK and CSV files read from a solved case, in the terms of the
// report: reactions in the order of the report, their degree of freedom, and
// the settlement the report gives each of them.
#pragma once

#include <cmath>
#include <cstdint>

#include "model/model.h"

namespace qb::inline QB_ARITH {

// Names of the six components of a node, in dof order (translations along X, Y,
// Z, rotations about them).
constexpr const char* DOF_NAME[6] = {"dx", "dy", "dz", "rx", "ry", "rz"};

// Global dof of reaction j: the NR area reactions first, then the MR nodal ones.
inline int32_t reaction_dof(const Model& m, int32_t j) {
    return j <= m.NR ? m.NREAC.at_or_zero(j) : m.NREACNOD.at_or_zero(j - m.NR);
}

// The settlement under reaction j, as the report gives it: the movement of the
// soil surface, negative downwards. The linear and iterative solutions keep it
// in HUNDIM; the nonlinear one (KANAL = 2, cases 2 to 4) leaves HUNDIM clear and
// reports the displacement of the reaction's node, which its compatibility
// equation makes equal to the soil movement.
inline real reported_settlement(const Model& m, const CaseState& st, int32_t caso, int32_t j) {
    if (caso >= 2 && m.KANAL == 2) return st.DESPL.at_or_zero(reaction_dof(m, j));
    return st.HUNDIM.at_or_zero(j);
}

// The contact pressure under reaction j, positive in compression: an area
// reaction's line load times its length over its area, a vertical footing
// reaction over the footing's plan (the last footing on the node). NaN where
// there is no area to press on, or for a footing force that is not vertical.
inline real contact_pressure(const Model& m, const CaseState& st, int32_t j) {
    const int32_t g = reaction_dof(m, j);
    if (j <= m.NR) {
        const real area = m.AREAREAC.at_or_zero(g);
        return area > 0.0_r ? st.reaction(m, j) * m.LONGREAC.at_or_zero(g) / area : NAN;
    }
    if (component_of_dof(g) != DZ) return NAN;
    int32_t z = 0;
    for (int32_t k = 1; k <= m.NZAP; ++k)
        if (m.NODOZ(k) == node_of_dof(g)) z = k;
    const real area = z > 0 ? m.ANCHOZ(z) * m.LARGOZ(z) : 0.0_r;
    return area > 0.0_r ? st.reaction(m, j) / area : NAN;
}

} // namespace qb

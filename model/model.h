// The model of a run: the data as read (model/data.h) and what the one-time
// preparation derives from them (model/prepared.h), handed by reference to
// each step and read-only once the preparation is over. The frame's system
// (model/frame_stiffness.h) and what an analysis case computes (CaseState,
// below) have lives of their own.
#pragma once

#include <cstdint>

#include "model/data.h"
#include "model/dof.h"
#include "model/prepared.h"

namespace qb::inline QB_ARITH {

struct Model : ModelData, Prepared {};

// Position (1-based) of global dof g among the area reactions NREAC, the last
// one when it occurs more than once, 0 when it is not an area reaction.
inline int32_t area_reaction_position(const Model& m, int32_t g) {
    int32_t p = 0;
    for (int32_t i = 1; i <= m.NR; ++i)
        if (m.NREAC(i) == g) p = i;
    return p;
}

// What an analysis case computes. Every case starts from a cleared solution;
// the compliances AMZ are the one thing kept from case to case (a flexibility
// built with no modulus source reuses the last ones).
struct CaseState {
    Mat1<real> FLEX;                      // (NR+MR, NR+MR) soil flexibility of the case
    Mat1<real> AMZ;                       // (profiles, 50) compliances of the last FLSC
    Vec1<real> DESPL;                     // (NTOT+NR+MR) displacements by dof, then reactions
    Vec1<real> HUNDIM;                    // (NR+MR) settlement under each reaction
    Mat1<real> ELMEC;                     // (NB, 12) bar end forces, local axes

    // A zero solution sized to the model.
    void clear(const Model& m);
    // Reaction j (area reactions first, then nodal ones).
    real reaction(const Model& m, int32_t j) const;
};

inline void CaseState::clear(const Model& m) {
    DESPL.resize(m.NTOT + m.NR + m.MR);
    HUNDIM.resize(m.NR + m.MR);
    if (FLEX.rows() != m.NR + m.MR) FLEX.resize(m.NR + m.MR, m.NR + m.MR);
}

inline real CaseState::reaction(const Model& m, int32_t j) const { return DESPL.at_or_zero(m.NTOT + j); }

} // namespace qb

// End forces of every bar, in local axes, from a solved analysis case.
#pragma once

#include <cstdint>

#include "model/model.h"
#include "textio/trace.h"

namespace qb::inline QB_ARITH {

// ELMEC(j, 1..12) = K_local·d_local − VR + FE for every bar: the stiffness part
// from the solved end displacements, the soil line reactions acting along a
// bar whose two end DZ are area reactions (VR, their equivalent end forces),
// and the fixed-end forces FE of the bar's line load, with the sign of the
// case's load vector (so that the end forces balance the loads solved).
// Needs assemble_frame (VGL, the updated CUNIF) and the case solution in
// DESPL (1..NTOT displacements, NTOT+i the reactions).
void recover_bar_forces(const Model& m, CaseState& st, int32_t caso, Trace log);

} // namespace qb

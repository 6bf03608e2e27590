// How far a solution can be trusted, measured after the fact in double
// precision on the system that was solved.
//
// The elimination with full pivoting is backward stable: even a nearly
// singular system (a structure with nothing under part of it, a bar of almost
// no stiffness) comes back with a small residual relative to |A| |x|, and
// with displacements of metres. The residual therefore catches a solve that
// went wrong, and the vertical balance catches a solution that is wrong for
// the structure: the vertical loads must come back as soil, footing and
// spring reactions.
#pragma once

#include <cstdint>

#include "model/frame_stiffness.h"
#include "model/model.h"
#include "solver/solution_quality.h"

namespace qb::inline QB_ARITH {

// The linear coupled solution of HUND (area and nodal reactions, with the
// compatibility rows), for the load vector `vered` of the case.
SolutionQuality linear_solution_quality(const Model& m, const FrameSystem& frame, const CaseState& st,
                                        const Vec1<real>& vered);

// The Newton solution of SOLNL: equilibrium rows and area reactions only (its
// settlement law is not linear; its convergence is reported by SOLNL).
SolutionQuality newton_solution_quality(const Model& m, const FrameSystem& frame, const CaseState& st,
                                        const Vec1<real>& vered);

} // namespace qb

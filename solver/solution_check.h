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

namespace qb::inline QB_ARITH {

struct SolutionQuality {
    int32_t non_finite = 0;      // displacements and reactions that are NaN or infinite
    // ||A x - b|| / (||A|| ||x|| + ||b||), maximum norms, over the rows that
    // were solved: the equilibrium rows (akr, recomputed from the model, so no
    // copy of the eliminated matrix is kept) and, for a linear solution, the
    // compatibility rows (FLEX).
    double residual = 0.0;
    // The vertical balance, when it can be made: it needs the vertical
    // translation of every node that ends a bar to be free (a fixed support
    // carries a share of the load that the solution does not give).
    bool balance_known = false;
    double load = 0.0;           // sum of the vertical loads (negative downwards)
    double carried = 0.0;        // sum of the vertical soil, footing and spring reactions
    double imbalance = 0.0;      // |load + carried| / max(sum of |vertical loads|, |carried|)
};

// The linear coupled solution of HUND (area and nodal reactions, with the
// compatibility rows), for the load vector `vered` of the case.
SolutionQuality linear_solution_quality(const Model& m, const FrameSystem& frame, const CaseState& st,
                                        const Vec1<real>& vered);

// The Newton solution of SOLNL: equilibrium rows and area reactions only (its
// settlement law is not linear; its convergence is reported by SOLNL).
SolutionQuality newton_solution_quality(const Model& m, const FrameSystem& frame, const CaseState& st,
                                        const Vec1<real>& vered);

} // namespace qb

// Nonlinear frame-soil interaction of one load case (cases 2, 3, 4): the
// frame's equilibrium equations and one compatibility equation per area
// reaction, with the soil settlement of Demeneghi's equation
// (solver/demeneghi.h), solved by Newton's method on
//     x = (free displacements d by equation number, area reactions r):
//   rows 1..NGRED     F = akr (d, r) - (PCONC - vered)
//   row  NGRED+j      F = def_j(r) + d(vertical dof of reaction j)
// (the node follows the soil down: a settlement def > 0 pairs with d < 0).
// The soil block of the Jacobian is a forward difference of the settlements
// with the increment 0.001 of one reaction at a time. Isolated footings are
// not variables of this solution.
#pragma once

#include <cstdint>
#include <vector>

#include "model/model.h"
#include "soil/settlement_law.h"
#include "solver/dense.h"
#include "textio/trace.h"

namespace qb::inline QB_ARITH {

// What the Newton iteration tells its caller while it runs (the console
// lines of the run). Every member has an empty default.
struct NewtonObserver {
    virtual ~NewtonObserver() = default;
    // Start of iteration `it` (1, 2, ...).
    virtual void iteration(int32_t it) { (void)it; }
    // Relative change of every reaction in percent after the update of this
    // iteration; `shown` is false when the order of the system is too large
    // for them to be listed.
    virtual void errors(const std::vector<double>& err, bool shown) { (void)err; (void)shown; }
};

struct NewtonResult {
    int32_t iterations = 0;   // Newton steps made
    bool converged = false;   // every reaction changed by at most 0.01 %
    double condition = 0.0;   // the largest estimated condition number of a step (0: none estimated)
};

// Order above which the matrices of an iteration (complete Jacobian, its
// inverse, the old and new values, the errors) are not logged.
constexpr int32_t NEWTON_LOG_ORDER = 500;
constexpr int32_t NEWTON_MAX_ITERATIONS = 20;

// SOLNL: solves a case with the settlement law `law` (Demeneghi's equation
// of case 2, 3 or 4) and the case's reduced load vector `vered`. Reads NN, NTOT, NGRED, NR, akr, PCONC, NGL, NREAC, PERFN, the soil
// tables, LONGREAC, AREAREAC and the influence values. Fills DESPL(1..NTOT)
// with the displacement of every global dof (0 when restrained) and
// DESPL(NTOT+j) with area reaction j; the nodal-reaction entries keep what
// they held. Writes its trace to `log` only. A singular Jacobian throws
// SingularMatrix. The solutions of a run share `ctx`; without it, the call
// has a context of its own.
NewtonResult SOLNL(const Model& m, const FrameSystem& frame, CaseState& st, const SettlementLaw& law,
                   const Vec1<real>& vered, Trace log, NewtonObserver& obs, SolverContext& ctx);
// The same for case `caso` with its own solver context.
NewtonResult SOLNL(const Model& m, const FrameSystem& frame, CaseState& st, int32_t caso, const Vec1<real>& vered,
                   Trace log, NewtonObserver& obs);

// The soil block of the Jacobian at the Newton vector R (reaction l at
// R(NGRED + l)), negdef = minus the settlements there: for every reaction k
// the settlements def2 with reaction k increased by 0.001, and
//   J(NGRED + j, NGRED + k) = (negdef(j) + def2(j)) / 0.001.
// Other entries of J are left alone. Traces to `log`.
void settlement_jacobian(const Model& m, const SettlementLaw& law, const Vec1<real>& R,
                         const Vec1<real>& negdef, Mat1<real>& J, Trace log);

} // namespace qb

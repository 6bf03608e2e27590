// Immediate compression with a stress-dependent (Janbu) soil modulus: the
// linear interaction solution repeated with the flexibility that the last
// reactions give, until no area reaction changes by more than 0.1 %.
#pragma once

#include <cstdint>

#include "model/model.h"
#include "soil/settlement_law.h"
#include "solver/dense.h"
#include "textio/trace.h"

namespace qb::inline QB_ARITH {

// What the iteration tells its caller for the report, in this order: the
// uniform start, then per pass its heading, the two tables of the first pass
// (the reactions REAC it starts from and the settlements HUNDIM that FLEX
// gives for them), the solution of the pass with the reactions before and
// after it (REAC and DESPL(NTOT+i)), and the number of the pass that follows
// when it has not converged. Every member has an empty default.
struct JanbuObserver {
    virtual ~JanbuObserver() = default;
    virtual void uniform_start() {}
    virtual void pass_heading() {}
    // The flexibility of the pass, built for the reactions REAC, before it is
    // used.
    virtual void flexibility_built(const Model& m, const CaseState& st, const Vec1<real>& REAC) {
        (void)m; (void)st; (void)REAC;
    }
    virtual void first_pass(const Model& m, const CaseState& st, const Vec1<real>& REAC) {
        (void)m; (void)st; (void)REAC;
    }
    virtual void pass_done(const Model& m, const CaseState& st, const Vec1<real>& REAC) {
        (void)m; (void)st; (void)REAC;
    }
    virtual void next_pass(int32_t ITER) { (void)ITER; }
    // The pass limit was reached; the last solution stands.
    virtual void not_converged(int32_t passes) { (void)passes; }
};

constexpr int32_t JANBU_MAX_PASSES = 100;
constexpr real JANBU_TOLERANCE = 0.001_r;   // relative change of a settled reaction

struct JanbuResult {
    int32_t passes = 0;       // solutions made (HUND calls)
    bool converged = false;
    double condition = 0.0;   // estimated condition number of the last solution (0: none estimated)
    Vec1<real> REAC;         // the reactions the last flexibility was built for
};

// Starts from a reaction of 1 under every area reaction; each pass builds
// FLEX with the stress-dependent law `law` (JanbuLaw, FNLCC) for the current
// reactions and solves with HUND for the load vector `vered` (vered[2]).
// Leaves in DESPL and HUNDIM the last solution. At most max_passes passes.
JanbuResult janbu_iteration(const Model& m, const FrameSystem& frame, CaseState& st, const SettlementLaw& law,
                            const Vec1<real>& vered, Trace log, JanbuObserver& obs, SolverContext& ctx,
                            int32_t max_passes = JANBU_MAX_PASSES);

} // namespace qb

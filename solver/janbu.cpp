#include "solver/janbu.h"

#include <cmath>

#include "solver/hund.h"

namespace qb::inline QB_ARITH {

JanbuResult janbu_iteration(const Model& m, const FrameSystem& frame, CaseState& st, const SettlementLaw& law,
                            const Vec1<real>& vered, Trace log, JanbuObserver& obs, SolverContext& ctx,
                            int32_t max_passes) {
    const int32_t NR = m.NR;
    JanbuResult res;
    Vec1<real>& REAC = res.REAC;   // the reactions the next flexibility is built for
    REAC.resize(NR, 1.0_r);
    st.clear(m);
    obs.uniform_start();
    int32_t ITER = 0;
    for (;;) {
        obs.pass_heading();
        List(log) << "LLAMANDO A FNLCC  " << "N=" << NR << " NR=" << NR << " MR=" << m.MR;
        law.flexibility(m, st, REAC, log);
        obs.flexibility_built(m, st, REAC);
        if (ITER == 0) {
            // Settlement that the flexibility gives for the starting reactions
            // (HUND overwrites it with the solved one).
            for (int32_t i = 1; i <= NR; ++i)
                st.HUNDIM(i) = settlement(st, i, NR, [&](int32_t j) { return REAC(j); });
            obs.first_pass(m, st, REAC);
        }
        res.condition = HUND(m, frame, st, vered, log, ctx);
        ITER = ITER + 1;
        obs.pass_done(m, st, REAC);

        // A change of exactly 0.1 % counts as settled, and so does a NaN
        // (a reaction that was 0 and stays 0).
        bool settled = true;
        real largest = 0.0_r;
        for (int32_t i = 1; i <= NR; ++i) {
            const real change = std::fabs((REAC(i) - st.reaction(m, i)) / REAC(i));   // relative
            if (change > JANBU_TOLERANCE) settled = false;
            if (change > largest) largest = change;
        }
        List(log.digest()) << "PASADA DE JANBU" << ITER << "CAMBIO MAYOR DE LAS REACCIONES (%):" << 100.0_r * largest;
        res.passes = ITER;
        if (settled) {
            res.converged = true;
            break;
        }
        if (ITER >= max_passes) {
            obs.not_converged(ITER);
            break;
        }
        for (int32_t i = 1; i <= NR; ++i) REAC(i) = st.reaction(m, i);
        obs.next_pass(ITER);
    }
    return res;
}

} // namespace qb

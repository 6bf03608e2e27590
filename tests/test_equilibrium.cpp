// Global equilibrium of whole linear solutions: where the soil is the only
// vertical support, the soil reactions (line reactions times their lengths,
// plus the vertical reactions of isolated footings) carry the whole vertical
// load of the case. Built in both arithmetics: the balance closes to 2e-5 in
// single precision and to 1e-6 in double precision.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "driver/run.h"
#include "example_models.h"
#include "model_builder.h"
#include "output/solution_report.h"
#include "soil/flexibility.h"
#include "soil/footing_springs.h"
#include "solver/hund.h"

using namespace qbtest;

namespace {

// Reads `data` and solves its case 2 (immediate compression) the way the
// linear path of the run does: the flexibility with the moduli NFLAG1
// chooses, the isolated-footing springs, the coupled system.
CaseState solve_case2(Model& m, const std::string& data) {
    Outputs out;
    ListReader in("datos.dat", data);
    FrameSystem frame;
    prepare(m, frame, out, in);
    CaseState st;
    st.clear(m);
    const Mat1<real>& E = m.nflag1 == 1 ? m.ECOMPP : m.nflag1 == 2 ? m.ECOMP : m.soil.E2;
    FLSC(m, st, E, out.trace());
    isolated_footing_springs(m, st, m.soil.E2, m.soil.NU2, out.trace());
    HUND(m, frame, st, frame.vered[2], out.trace());
    // the run itself, case 2 alone, reports this very solution
    m.CASO = {0, 0, 1, 0, 0};
    run_cases(m, frame, out);
    Outputs mine;
    report_linear_solution(m, st, mine.report, mine.res);
    EXPECT_TRUE(contains(Outputs::text(out.report), Outputs::text(mine.report)));
    return st;
}

// Relative closure of the vertical balance in the arithmetic of the build.
constexpr double BALANCE = double_precision ? 1e-6 : 2e-5;

// The area reactions and the vertical reactions of the isolated footings.
double soil_reactions(const Model& m, const CaseState& st) {
    double up = area_reactions(m, st);
    for (int32_t k = 1; k <= m.MR; ++k)
        if (m.NREACNOD(k) % 6 == 3) up += st.DESPL(m.NTOT + m.NR + k);
    return up;
}

TEST(Equilibrium, StripFootingsCarryTheWholeVerticalLoad) {
    Model m;
    const CaseState st = solve_case2(m, example("marco_zapatas.dat"));
    ASSERT_EQ(m.NR, 3);
    const double load = vertical_load(m, 2);
    EXPECT_NEAR(load, 75.056 + 10.0, 1e-3);
    EXPECT_NEAR(soil_reactions(m, st), load, BALANCE * load);
}

TEST(Equilibrium, SlabAndIsolatedFootingCarryTheWholeVerticalLoad) {
    Model m;
    const CaseState st = solve_case2(m, example("losa_zapata_aislada.dat"));
    ASSERT_EQ(m.NR, 4);
    ASSERT_EQ(m.MR, 6);
    const double load = vertical_load(m, 2);
    EXPECT_GT(load, 35.0);
    EXPECT_NEAR(soil_reactions(m, st), load, BALANCE * load);
}

TEST(Equilibrium, SettlementOfOneStripFollowsTheFlexibilityFormula) {
    // One footing bar on one stratum; the column load is carried by the two
    // end reactions, and the settlement of each is the flexibility times the
    // reactions.
    Model m;
    const CaseState st = solve_case2(m, example("marco_zapatas.dat"));
    for (int32_t i = 1; i <= m.NR; ++i) {
        double s = 0.0;
        for (int32_t j = 1; j <= m.NR; ++j) s -= static_cast<double>(st.FLEX(i, j)) * st.DESPL(m.NTOT + j);
        EXPECT_NEAR(st.HUNDIM(i), s, 1e-6 + 1e-5 * std::fabs(s));
        // compatibility: the node follows the soil under it
        EXPECT_NEAR(st.DESPL(m.NREAC(i)), st.HUNDIM(i), 1e-6 + 1e-4 * std::fabs(s));
    }
}

} // namespace

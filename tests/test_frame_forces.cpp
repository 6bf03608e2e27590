// Bar end forces recovered from solved cases, against textbook values.
#include <gtest/gtest.h>

#include "frame/assembly.h"
#include "frame/bar_forces.h"
#include "model_builder.h"
#include "output/frame_report.h"

using namespace qbtest;

TEST(FrameForces, FixedBeamEndForcesBalanceTheLoadOfEachCase) {
    // fixed-fixed span L of two bars: supports qL/2 and qL²/12, midspan qL²/24;
    // gravity (cases 2-4) acts downwards, the expansion pressure (case 1) up
    const float L = 8.0f, q = 1.5f, pv = 0.8f;
    ModelBuilder f = frame_members();
    f.node(0, 0, 0, FIXED);
    f.node(L / 2, 0, 0);
    f.node(L, 0, 0, FIXED);
    f.bar(1, 2, {0, 0, 0, q, 0, pv});
    f.bar(2, 3, {0, 0, 0, q, 0, pv});
    f.assemble();
    for (int32_t caso : {1, 2, 3, 4}) {
        const Vec1<float>* v[5] = {nullptr, &f.frame.vered[1], &f.frame.vered[2], &f.frame.vered[3], &f.frame.vered[4]};
        f.solve(*v[caso]);
        recover_bar_forces(f.m, f.st, caso, Trace());
        const float p = caso == 1 ? -pv : q + pv, tol = 2e-4f * L * L;
        const float want1[12] = {0, 0, p * L / 2, 0, -p * L * L / 12, 0, 0, 0, 0, 0, -p * L * L / 24, 0};
        const float want2[12] = {0, 0, 0, 0, p * L * L / 24, 0, 0, 0, p * L / 2, 0, p * L * L / 12, 0};
        for (int32_t r = 1; r <= 12; ++r) {
            EXPECT_NEAR(f.st.ELMEC(1, r), want1[r - 1], tol) << caso << ": " << r;
            EXPECT_NEAR(f.st.ELMEC(2, r), want2[r - 1], tol) << caso << ": " << r;
        }
    }
}

TEST(FrameForces, SoilReactionsOnlyBetweenTwoAreaReactionsAndTheReportTable) {
    // bar 1 between two area reactions, bar 2 towards a node fixed in DZ,
    // bar 3 fixed at both ends with no load
    const float L = 4.0f, q = 2.0f;
    const Codes SOILBEAM{1, 1, 2, 1, 0, 1};
    ModelBuilder f = frame_members();
    f.node(0, 0, 0, SOILBEAM, 1);
    f.node(L, 0, 0, SOILBEAM, 1);
    f.node(2 * L, 0, 0, {1, 1, 1, 1, 0, 1});
    f.node(0, 5, 0, FIXED);
    f.node(L, 5, 0, FIXED);
    f.bar(1, 2, {0, 0, 0, q, 0, 0});
    f.bar(2, 3, {0, 0, 0, q, 0, 0});
    f.bar(4, 5);
    f.assemble();
    f.st.clear(f.m);
    f.st.DESPL(f.m.NTOT + 1) = q;   // no displacement, soil reaction = load
    f.st.DESPL(f.m.NTOT + 2) = q;
    Outputs out;
    recover_bar_forces(f.m, f.st, 2, out.trace());
    report_bar_forces(f.m, f.st, out.report);
    const std::string log = Outputs::text(out.log);
    for (int32_t r = 1; r <= 12; ++r) {
        EXPECT_NEAR(f.st.ELMEC(1, r), 0.0f, 1e-5f) << r;   // load balanced by the soil everywhere
        EXPECT_EQ(f.st.ELMEC(3, r), 0.0f) << r;
    }
    EXPECT_EQ(f.st.ELMEC(2, 3), q * L / 2);   // no soil counted under bar 2
    EXPECT_FLOAT_EQ(f.st.ELMEC(2, 11), q * L * L / 12);
    EXPECT_TRUE(contains(log, " VECTOR POR REACCIONES VR, BARRA           1\n"));
    EXPECT_FALSE(contains(log, " VECTOR POR REACCIONES VR, BARRA           2\n"));
    const std::string rep = Outputs::text(out.report);
    EXPECT_EQ(rep.rfind("\n\n  BARRA      ELEMENTOS     GRADO DE            MAGNITUD\n"
                        "             MECANICOS     LIBERTAD\n\n"
                        "    1       NORMAL X1          1               0.00000000\n",
                        0),
              0u);
    EXPECT_TRUE(contains(rep, "\n    2       FLEXIONANTE Y1    11              -2.66666675\n"));
    // cases 3 and 4 load a bar alike; each call rewrites every end force
    EXPECT_EQ(case_line_load(f.m, 2, 3), case_line_load(f.m, 2, 4));
    f.st.DESPL.fill(0.0f);
    recover_bar_forces(f.m, f.st, 1, Trace());
    EXPECT_EQ(f.st.ELMEC(1, 3), 0.0f);
}

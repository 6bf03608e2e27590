// The Janbu iteration of case 2: the example settles and carries its load, a
// uniform first solution ends it at once, the pass limit keeps the last one.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "example_models.h"
#include "output/iteration_reports.h"
#include "solver/janbu.h"

namespace qbtest {
namespace {

struct Iteration {
    Model m;
    FrameSystem frame;
    Io io;
    CaseState st;
    JanbuResult r;
    Iteration(const std::string& data, int32_t max_passes = JANBU_MAX_PASSES) {
        read_model(m, frame, io, data);
        ReportJanbuObserver obs(io.report, io.res, io.console);
        SolverContext ctx;
        r = janbu_iteration(m, frame, st, JanbuLaw(), frame.vered[2], io.trace(), obs, ctx, max_passes);
        io.flush_all();
    }
    bool reported(const std::string& piece) const { return io.report.memory().find(piece) != std::string::npos; }
};

TEST(Janbu, ExampleSettlesAndCarriesItsLoad) {
    Iteration j(example("reticula_janbu.dat"));
    EXPECT_TRUE(j.r.converged && j.r.passes == 3);
    for (int32_t i = 1; i <= j.m.NR; ++i)
        EXPECT_LE(std::fabs(j.r.REAC(i) - j.st.reaction(j.m, i)), 1e-3f * j.r.REAC(i));
    const double load = vertical_load(j.m, 2);
    EXPECT_GT(load, 290.0);
    EXPECT_NEAR(area_reactions(j.m, j.st), load, 1e-3 * load);
}

TEST(Janbu, AUniformFirstSolutionEndsAfterOnePass) {
    // One weightless strip 5 m long, 2.5 at each end: both line reactions are
    // 2.5 / 2.5 m = 1, the uniform start itself.
    Iteration j("'Zapata simetrica'\nU\n't' 'm' 't/m' 't/m2' 't/m3'\nC\n1 0 1 0 0 3\n1\nM\n'C' 0.0 2213594. 0.2\n1\nS\n"
          "'Z' 'C' 1.20 0.60\n2\nN\n1 0 0 0 1 1 0 1 0 1 1 1.0\n2 5 0 0 1 1 0 1 0 1 1 1.0\n1\nB\n"
          "1 'Z' 1 2 0 0 0 0 0 0 0 0\n0\nZ\n2\nP\n1 0 0 -2.5 0 0 0\n2 0 0 -2.5 0 0 0\n0\nK\n1 10.0\n1\nE\n"
          "1 2 8.0 1.6\n1500. 0.35 5.0 0.6 150. 0.5 2.0\n0\nL\nEJES\nN\n1 4\nEJE\n1 1\n");
    EXPECT_TRUE(j.r.converged && j.r.passes == 1);
    EXPECT_TRUE(j.reported("\nREACCION UNIFORME\n"));
    EXPECT_TRUE(j.reported("#REACCION, VALOR DE LA REACCION\n             (t)\n    1   1.00000\n    2   1.00000\n"));
    EXPECT_TRUE(j.reported("#REACCION, HUNDIMIENTO DEBIDO A LA REACCION"));
    EXPECT_FALSE(j.reported("ITERACION No"));
    EXPECT_NEAR(j.st.reaction(j.m, 1), 1.0f, 1e-5f);
}

TEST(Janbu, PassLimitKeepsTheLastSolution) {
    Iteration j(example("reticula_janbu.dat"), 2);
    EXPECT_TRUE(!j.r.converged && j.r.passes == 2);
    EXPECT_TRUE(j.reported("ITERACION No           1\n"));
    EXPECT_FALSE(j.reported("ITERACION No           2"));
    EXPECT_TRUE(j.reported("\n NO CONVERGE EN 2 ITERACIONES\n"));
    EXPECT_NE(j.io.console.memory().find("\n NO CONVERGE EN 2 ITERACIONES\n"), std::string::npos);
    // REAC holds what the second pass was built from, DESPL its solution
    EXPECT_GT(std::fabs(j.r.REAC(2) - j.st.reaction(j.m, 2)), 1e-3f * j.r.REAC(2));
}

} // namespace
} // namespace qbtest

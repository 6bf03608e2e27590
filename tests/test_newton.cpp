// The Newton solution: equilibrium of the nonlinear example, the Jacobian's
// soil block against a central difference, springs without soil (two steps,
// log bound 500), and a reaction the soil would have to pull.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "example_models.h"
#include "model_builder.h"
#include "output/iteration_reports.h"
#include "solver/demeneghi.h"
#include "solver/newton.h"

namespace qbtest {
namespace {

const Vec1<float>& vered(const FrameSystem& frame, int32_t caso) { return frame.vered[static_cast<size_t>(caso)]; }

TEST(Newton, EveryCaseOfTheExampleConvergesToEquilibrium) {
    Model m;
    FrameSystem frame;
    Io io;
    read_model(m, frame, io, example("reticula_no_lineal.dat"));
    for (int32_t caso : {2, 3, 4}) {
        CaseState st;
        st.clear(m);
        NewtonObserver quiet;
        const NewtonResult r = SOLNL(m, frame, st, caso, vered(frame, caso), io.trace(), quiet);
        EXPECT_TRUE(r.converged && r.iterations < NEWTON_MAX_ITERATIONS) << caso;
        for (int32_t j = 1; j <= m.NR; ++j) EXPECT_LT(st.DESPL(m.NREAC(j)), 0.0f);   // the nodes went down
        const double load = vertical_load(m, caso);
        EXPECT_GT(load, 250.0);
        EXPECT_NEAR(area_reactions(m, st), load, 1e-3 * load) << caso;
    }
}

TEST(Newton, SoilBlockOfTheJacobianIsTheSettlementDerivative) {
    Model m;
    FrameSystem frame;
    Io io;
    read_model(m, frame, io, example("reticula_no_lineal.dat"));
    const int32_t n = m.NGRED + m.NR, k = 2;
    Vec1<float> R(n), h(m.NR), def, up, down, negdef(m.NR);
    // Small uneven reactions: settlements well below 1 m keep the rounding of
    // the forward difference small, and no column mirrors another.
    for (int32_t j = 1; j <= m.NR; ++j) R(m.NGRED + j) = 0.5f + 0.25f * static_cast<float>(j);
    for (int32_t caso : {2, 3}) {
        const Mat1<float>& A = demeneghi_coefficients(m.soil, caso);
        CalcDefNL(m, caso, A, R, h, def, Trace());
        for (int32_t j = 1; j <= m.NR; ++j) negdef(j) = -def(j);
        Mat1<float> J(n, n);
        settlement_jacobian(m, DemeneghiLaw(caso), R, negdef, J, Trace());
        h(k) = 0.05f;
        CalcDefNL(m, caso, A, R, h, up, Trace());
        h(k) = -0.05f;
        CalcDefNL(m, caso, A, R, h, down, Trace());
        h(k) = 0.0f;
        // The increment 0.001 leaves a rounding noise of some 1e-4 in every
        // entry: the diagonal (about 0.1) is the sharp check.
        for (int32_t j = 1; j <= m.NR; ++j) {
            const double central = (static_cast<double>(up(j)) - down(j)) / 0.1;
            EXPECT_NEAR(J(m.NGRED + j, m.NGRED + k), central, 1e-2 * std::fabs(central) + 8e-4) << caso << " " << j;
        }
        EXPECT_GT(J(m.NGRED + k, m.NGRED + k), 0.1f);
        EXPECT_EQ(J(1, m.NGRED + k), 0.0f);   // the equilibrium rows are the caller's
    }
}

TEST(Newton, SpringsWithoutSoilTakeTwoStepsAndLogTheirMatricesUpToOrder500) {
    // n independent springs 100 d = PCONC - vered = -1 - 0: no reaction to
    // count, so the test of the second step ends the iteration.
    for (int32_t n : {1, 500, 501}) {
        Model m;
        m.NN = (n + 5) / 6;
        m.NTOT = 6 * m.NN;
        m.NGL.resize(m.NTOT);
        for (int32_t g = 1; g <= n; ++g) m.NGL(g) = g;
        m.NGRED = n;
        FrameSystem frame;
        frame.akr.resize(n, 0);
        for (int32_t i = 1; i <= n; ++i) frame.akr.set(i, i, 100.0f);
        m.PCONC.resize(n, -1.0f);
        m.soil.resize(1);
        Io io;
        io.log.attach_buffer();
        io.console.attach_buffer();
        ConsoleNewtonObserver obs(io.console);
        CaseState st;
        st.clear(m);
        const NewtonResult r = SOLNL(m, frame, st, 3, Vec1<float>(n), io.trace(), obs);
        io.flush_all();
        EXPECT_TRUE(r.converged && r.iterations == 2) << n;
        EXPECT_FLOAT_EQ(st.DESPL(n), -0.01f);
        EXPECT_EQ(st.DESPL(m.NTOT), n == m.NTOT ? -0.01f : 0.0f);
        const std::string& log = io.log.memory();
        const std::string inverse = " JACOBIANO INVERSO\n";
        const size_t inv = log.find(inverse);
        ASSERT_NE(inv, std::string::npos);
        EXPECT_EQ(log.compare(inv + inverse.size(), 5, "r(i)=") != 0, n <= 500) << n;   // rows of the inverse
        const std::string none = latin1(" IMPRESIÓN FUERA DE RANGO\n");
        EXPECT_EQ(log.find("REACCIONES\n" + none) != std::string::npos, n > 500) << n;
        EXPECT_EQ(io.console.memory().find(" ERROR\n" + none) != std::string::npos, n > 500) << n;
    }
}

TEST(Newton, AReactionTheSoilWouldHaveToPullIsReleased) {
    // An upward load at a corner lifts it: the step asks for a negative
    // reaction, set to 0; its change is then 0/0 and never counts as converged.
    const std::string loads = "0\nCARGAS CONCENTRADAS: NODO  PX PY PZ MX MY MZ\n";
    std::string data = example("reticula_no_lineal.dat");
    data.replace(data.find(loads), loads.size(), "1\n" + loads.substr(2) + "1 0 0 120 0 0 0\n");
    Model m;
    FrameSystem frame;
    Io io;
    read_model(m, frame, io, data);
    CaseState st;
    st.clear(m);
    ConsoleNewtonObserver obs(io.console);
    const NewtonResult r = SOLNL(m, frame, st, 3, frame.vered[3], io.trace(), obs);
    io.flush_all();
    EXPECT_TRUE(!r.converged && r.iterations == NEWTON_MAX_ITERATIONS);
    EXPECT_EQ(st.reaction(m, 1), 0.0f);
    for (int32_t j = 2; j <= m.NR; ++j) EXPECT_GT(st.reaction(m, j), 0.0f);
    EXPECT_NE(io.console.memory().find(" Iteracion:          20\n ERROR\n       NaN"), std::string::npos);

    // The run says so in the report, where the case's results begin, and on
    // standard error, and goes on with the last iterate.
    m.CASO = {0, 0, 0, 1, 0};
    Outputs::clear(io.report);
    std::vector<CaseRecord> cases;
    ::testing::internal::CaptureStderr();
    run_cases(m, frame, io, nullptr, &cases);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(
                  "case 3 (primary consolidation): the Newton iteration did not converge in 20 iterations; its last "
                  "iterate is written, and the run ends with status 5"),
              std::string::npos);
    EXPECT_NE(Outputs::text(io.report).find(" NO CONVERGE EN 20 ITERACIONES\n REACCIONES, t/m\n"), std::string::npos);
    ASSERT_EQ(cases.size(), 1u);
    EXPECT_TRUE(cases[0].solved && !cases[0].converged && cases[0].iterations == 20);
}

} // namespace
} // namespace qbtest

// The double-precision arithmetic (this file is built only in it): the
// nonlinear solution that single precision cannot settle converges, and
// carries its load; the coupled systems solved by condensing the frame's
// interior agree with the whole LU.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "example_models.h"
#include "grid_model.h"
#include "solver/coupled.h"
#include "solver/demeneghi.h"
#include "solver/dense.h"
#include "solver/lu.h"
#include "solver/newton.h"

namespace qbtest {
namespace {

static_assert(double_precision, "built with QB_DOUBLE only");

TEST(DoublePrecision, NewtonConvergesOnAGridThatSinglePrecisionCannotSettle) {
    // 6 x 6 bays, two storeys, three strata (clay, sand, clay), nonlinear: in
    // single precision cases 2 and 3 end unconverged after 20 steps, their
    // last reaction changes swinging around the tolerance of 0.01 %.
    Model m;
    FrameSystem frame;
    Io io;
    read_model(m, frame, io, grid_model(6, 6, 2, 2, 3));
    ASSERT_EQ(m.NR, 49);
    for (int32_t caso : {2, 3, 4}) {
        CaseState st;
        st.clear(m);
        NewtonObserver quiet;
        const NewtonResult r = SOLNL(m, frame, st, caso, frame.vered[static_cast<size_t>(caso)], io.trace(), quiet);
        EXPECT_TRUE(r.converged) << caso;
        EXPECT_LE(r.iterations, 6) << caso;
        const double load = vertical_load(m, caso);
        EXPECT_NEAR(area_reactions(m, st), load, 1e-6 * load) << caso;
    }
}

// A coupled system of the frame-soil shape, 0-based: nf frame equations,
// whose stiffness A is that of a floating structure (a weighted graph
// Laplacian: singular, every equation sharing one rigid mode), then nr
// reactions. Reaction j acts on equation 7j + 3 (and, as a footing bar's
// moment would, on the next one) and its compatibility row reads that
// displacement plus a row of a small, dense flexibility. Some equations are
// scaled by 100, as rotations next to translations.
struct TestSystem {
    int32_t nf, nr, n;
    std::vector<double> a;
    std::mt19937 rng{20240607};

    TestSystem(int32_t frame, int32_t reactions) : nf(frame), nr(reactions), n(frame + reactions) {
        a.assign(static_cast<size_t>(n) * static_cast<size_t>(n), 0.0);
        std::uniform_real_distribution<double> w(0.5, 2.0);
        std::uniform_int_distribution<int32_t> node(0, nf - 1);
        for (int32_t i = 0; i + 1 < nf; ++i) spring(i, i + 1, w(rng));
        for (int32_t k = 0; k < 2 * nf; ++k) {
            const int32_t u = node(rng), v = node(rng);
            if (u != v) spring(u, v, w(rng));
        }
        for (int32_t i = 0; i < nf; i += 3)
            for (int32_t j = 0; j < nf; ++j) {
                at(i, j) *= 100.0;
                at(j, i) *= 100.0;
            }
        for (int32_t j = 0; j < nr; ++j) {
            if (j != 0) at(eq(j), nf + j) = -1.0;   // equation 3 touches the coupling through D alone
            at(eq(j) + 1, nf + j) = 0.25 * w(rng);
            at(nf + j, eq(j)) = 1.0;
        }
        soil(1.0);
    }
    static int32_t eq(int32_t j) { return 7 * j + 3; }
    double& at(int32_t i, int32_t j) { return a[static_cast<size_t>(j) * static_cast<size_t>(n) + static_cast<size_t>(i)]; }
    void spring(int32_t u, int32_t v, double k) {
        at(u, u) += k;
        at(v, v) += k;
        at(u, v) -= k;
        at(v, u) -= k;
    }
    // A new flexibility block, as a new case or Newton iteration brings.
    void soil(double scale) {
        std::uniform_real_distribution<double> f(0.0, 1e-4);
        for (int32_t i = 0; i < nr; ++i)
            for (int32_t j = 0; j < nr; ++j) at(nf + i, nf + j) = scale * (i == j ? 1e-3 : f(rng));
    }
    // The frame equations a reaction column or a compatibility row touches.
    std::vector<int32_t> interface() {
        std::vector<int32_t> v;
        for (int32_t i = 0; i < nf; ++i) {
            bool touched = false;
            for (int32_t j = nf; j < n; ++j) touched = touched || at(i, j) != 0.0 || at(j, i) != 0.0;
            if (touched) v.push_back(i);
        }
        return v;
    }
    std::vector<double> rhs() {
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        std::vector<double> b(static_cast<size_t>(n));
        for (double& v : b) v = u(rng);
        return b;
    }
};

// ||x - y|| / ||y||, max norms.
double relative_gap(const std::vector<double>& x, const std::vector<double>& y) {
    double d = 0.0, s = 0.0;
    for (size_t i = 0; i < y.size(); ++i) {
        d = std::max(d, std::fabs(x[i] - y[i]));
        s = std::max(s, std::fabs(y[i]));
    }
    return d / s;
}

// The condensed solution of the system as it stands against the whole LU.
CondensedReport expect_agreement(FrameCondensation& kept, TestSystem& sys, const char* what) {
    const std::vector<double> b = sys.rhs();
    std::vector<double> whole = b, condensed = b;
    lu_solve(sys.a.data(), sys.n, sys.n, whole.data());
    CondensedReport r;
    EXPECT_TRUE(kept.solve(sys.a.data(), sys.n, sys.n, sys.nf, sys.interface(), condensed.data(), r)) << what;
    EXPECT_LT(relative_gap(condensed, whole), 1e-10) << what;
    return r;
}

TEST(CondensedSolve, AgreesWithTheWholeLuAndKeepsTheInteriorOnlyWhileTheFrameIsTheSame) {
    FrameCondensation kept;
    TestSystem sys(120, 12);
    // 12 reaction dofs and the 12 equations after them: 24 interface equations.
    CondensedReport r = expect_agreement(kept, sys, "first call");
    EXPECT_FALSE(r.reused);
    EXPECT_EQ(r.interior, 96);
    EXPECT_EQ(r.reduced, 36);

    sys.soil(3.0);   // the next case: the frame's factors are kept
    r = expect_agreement(kept, sys, "new flexibility");
    EXPECT_TRUE(r.reused);

    // A stiffer interior member: factors kept from the old frame would leave
    // an error that one refinement step cannot remove.
    sys.spring(50, 51, 40.0);
    r = expect_agreement(kept, sys, "stiffer interior");
    EXPECT_FALSE(r.reused);
    r = expect_agreement(kept, sys, "stiffer interior, again");
    EXPECT_TRUE(r.reused);

    // A reaction column reaching an interior equation moves it to the interface.
    sys.at(62, sys.nf) = 0.5;
    r = expect_agreement(kept, sys, "wider interface");
    EXPECT_FALSE(r.reused);
    EXPECT_EQ(r.interior, 95);
}

TEST(CondensedSolve, LeavesToTheWholeLuWhatItCannotCondense) {
    FrameCondensation kept;
    CondensedReport r;
    {   // a frame without reactions, and one whose interior is smaller than its reduced system
        TestSystem sys(120, 12);
        std::vector<double> b = sys.rhs();
        EXPECT_FALSE(kept.solve(sys.a.data(), sys.nf, sys.n, sys.nf, {}, b.data(), r));
        EXPECT_EQ(r.outcome, Condensation::no_structure);
        TestSystem few(30, 4);
        for (int32_t i = 0; i < 20; ++i) few.at(i, few.nf) = 0.1;
        b = few.rhs();
        EXPECT_FALSE(kept.solve(few.a.data(), few.n, few.n, few.nf, few.interface(), b.data(), r));
        EXPECT_EQ(r.outcome, Condensation::small_interior);
    }
    // Interior equation 40 held by interface equation 10 alone, through a
    // constraint-like pair of entries: the interior block is singular, the
    // whole system is not.
    TestSystem sys(120, 12);
    for (int32_t k = 0; k < sys.nf; ++k) sys.at(40, k) = sys.at(k, 40) = 0.0;
    sys.at(40, 10) = sys.at(10, 40) = 1.0;
    const std::vector<double> b = sys.rhs();
    for (bool again : {false, true}) {
        std::vector<double> x = b;
        EXPECT_FALSE(kept.solve(sys.a.data(), sys.n, sys.n, sys.nf, sys.interface(), x.data(), r));
        EXPECT_EQ(r.outcome, Condensation::bad_interior);
        EXPECT_EQ(r.reused, again);   // rejected once, not factored again
        EXPECT_EQ(x, b);
    }
}

TEST(LargePath, AnalyticSettlementJacobianMatchesACentralDifference) {
    // Three strata (clay, sand, clay) under a 4 x 3 grid: the immediate
    // compression of every stratum with its lateral stresses, and the
    // consolidation of the clays, at reactions far from uniform.
    Model m;
    m.large = true;
    FrameSystem frame;
    Io io;
    read_model(m, frame, io, grid_model(4, 3, 1, 2, 3));
    const int32_t NR = m.NR, n = m.NGRED + NR;
    Vec1<real> R(n), none(NR), up(NR), down(NR);
    for (int32_t l = 1; l <= NR; ++l) R(m.NGRED + l) = 10.0 + 6.0 * std::sin(1.7 * l);
    for (int32_t caso : {2, 3, 4}) {
        const DemeneghiLaw law(caso);
        Mat1<real> J;
        law.jacobian(m, R, J);
        double largest = 0.0, worst = 0.0;
        for (int32_t k = 1; k <= NR; ++k) {
            const double step = 1e-3 * R(m.NGRED + k);
            Vec1<real> h(NR);
            h(k) = step;
            law.settlements(m, R, h, up, Trace());
            h(k) = -step;
            law.settlements(m, R, h, down, Trace());
            for (int32_t i = 1; i <= NR; ++i) {
                const double central = (up(i) - down(i)) / (2.0 * step);
                largest = std::max(largest, std::fabs(central));
                worst = std::max(worst, std::fabs(J(i, k) - central));
            }
        }
        EXPECT_GT(largest, 0.0) << caso;
        EXPECT_LE(worst, 1e-6 * largest) << caso;
    }
}

} // namespace
} // namespace qbtest

// The double-precision arithmetic (this file is built only in it): the
// nonlinear solution that single precision cannot settle converges, and
// carries its load.
#include <gtest/gtest.h>

#include <string>

#include "example_models.h"
#include "grid_model.h"
#include "solver/newton.h"

namespace qbtest {
namespace {

static_assert(double_precision, "built with QB_DOUBLE only");

TEST(DoublePrecision, NewtonConvergesOnAGridThatSinglePrecisionCannotSettle) {
    // 6 x 6 bays, two storeys, three strata (clay, sand, clay), nonlinear: in
    // single precision cases 2 and 3 end unconverged after 20 steps, their
    // last reaction changes swinging around the tolerance of 0.01 %.
    Model m;
    Io io;
    read_model(m, io, grid_model(6, 6, 2, 2, 3));
    ASSERT_EQ(m.NR, 49);
    for (int32_t caso : {2, 3, 4}) {
        CaseState st;
        st.clear(m);
        NewtonObserver quiet;
        const Vec1<real>& vered = caso == 2 ? m.vered2 : caso == 3 ? m.vered3 : m.vered4;
        const NewtonResult r = SOLNL(m, st, caso, vered, io.trace(), quiet);
        EXPECT_TRUE(r.converged) << caso;
        EXPECT_LE(r.iterations, 6) << caso;
        const double load = vertical_load(m, caso);
        EXPECT_NEAR(area_reactions(m, st), load, 1e-6 * load) << caso;
    }
}

} // namespace
} // namespace qbtest

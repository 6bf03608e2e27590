// Enlarged global stiffness and load vectors, checked on textbook frames.
#include <gtest/gtest.h>

#include "frame/assembly.h"
#include "model_builder.h"
#include "output/frame_report.h"

using namespace qbtest;

namespace {
constexpr double E = 2.0e6, G = 8.0e5, A = 0.12, IY = 1.6e-3, IZ = 9.0e-4, IROT = 2.5e-3;
}

TEST(FrameAssembly, CantileverAlongXAndYGivesTextbookTipDisplacements) {
    const double L = 3.0, P = 2.0, bend_y = P * L * L * L / (3 * E * IY), rot = P * L * L / (2 * E * IY);
    for (int32_t along : {1, 2}) {   // bar along +X or +Y; the other horizontal axis is lateral
        ModelBuilder f = frame_members();
        f.node(0, 0, 0, FIXED);
        f.node(along == 1 ? L : 0, along == 2 ? L : 0, 0);
        f.bar(1, 2);
        f.assemble();
        ASSERT_EQ(f.frame.akr.columns(), 6);
        const int32_t lateral = 3 - along;
        auto tip = [&](int32_t k, float p) { f.m.PCONC.fill(0.0f); f.m.PCONC(k) = p; f.solve(f.frame.vered[2]); };
        tip(3, -P);
        EXPECT_NEAR(f.d(2, 3), -bend_y, 1e-4 * bend_y);
        // sagging turns the tip about the horizontal axis normal to the bar
        EXPECT_NEAR(f.d(2, along == 1 ? 5 : 4), along == 1 ? rot : -rot, 1e-4 * rot);
        tip(along, P);
        EXPECT_NEAR(f.d(2, along), P * L / (E * A), 1e-4 * P * L / (E * A));
        tip(lateral, P);
        EXPECT_NEAR(f.d(2, lateral), P * L * L * L / (3 * E * IZ), 1e-4 * P * L * L * L / (3 * E * IZ));
        tip(3 + along, P);   // torque
        EXPECT_NEAR(f.d(2, 3 + along), P * L / (G * IROT), 1e-4 * P * L / (G * IROT));
    }
}

TEST(FrameAssembly, FixedBasePortalSwaysAsSlopeDeflectionPredicts) {
    // all members EI, a = EI/h, b = EI/Lb: sway Δ = H h² (2a + 3b) / (12 a (a + 6b)),
    // joint rotation θ = 3aψ / (2a + 3b), ψ = Δ/h. A large (not huge) area
    // keeps axial strain below 1e-3 of the sway.
    const double h = 3.0, Lb = 6.0, H = 1.5, a = E * IY / h, b = E * IY / Lb;
    ModelBuilder f = frame_members(2.0e6f, 0.25f, 0.0f, 10.0f);
    f.node(0, 0, 0, FIXED);
    f.node(Lb, 0, 0, FIXED);
    f.node(0, 0, h);
    f.node(Lb, 0, h);
    f.bar(1, 3);
    f.bar(2, 4);
    f.bar(3, 4);
    f.assemble();
    f.m.PCONC(f.eq(3, 1)) = H;
    f.solve(f.frame.vered[2]);
    const double sway = H * h * h * (2 * a + 3 * b) / (12 * a * (a + 6 * b)), theta = 3 * a * (sway / h) / (2 * a + 3 * b);
    for (int32_t n : {3, 4}) {
        EXPECT_NEAR(f.d(n, 1), sway, 1e-3 * sway);
        EXPECT_NEAR(f.d(n, 5), theta, 1e-3 * theta);   // clockwise seen from -Y: +θ about Y
    }
}

TEST(FrameAssembly, LineLoadsAndSelfWeightGiveTheFixedEndForcesOfEachCase) {
    // fixed-fixed span of two bars: midspan deflection qL⁴/(384EI), downwards
    // for the gravity vectors, upwards for the expansion pressure PV (vector 1)
    const double L = 8.0, q = 1.25, pv = 0.75, w = L * L * L * L / (384 * E * IY);
    ModelBuilder f = frame_members();
    f.node(0, 0, 0, FIXED);
    f.node(L / 2, 0, 0);
    f.node(L, 0, 0, FIXED);
    f.bar(1, 2, {0, 0, 0, float(q), 0, float(pv)});
    f.bar(2, 3, {0, 0, 0, float(q), 0, float(pv)});
    f.assemble();
    for (const Vec1<float>* v : {&f.frame.vered[2], &f.frame.vered[3], &f.frame.vered[4]}) {
        f.solve(*v);
        EXPECT_NEAR(f.d(2, 3), -(q + pv) * w, 1e-4 * q * w);
    }
    f.solve(f.frame.vered[1]);
    EXPECT_NEAR(f.d(2, 3), pv * w, 1e-4 * pv * w);

    // Self weight of a 3-4-5 bar: W = Aγ L; pn = 0.6W/L along the bar goes
    // whole to the lower node, pp = 0.8W/L across it joins PPropio. With all
    // dofs free the reduced vectors are the global fixed-end forces.
    const float gamma = 2.5f, Wf = 0.12f * gamma * 5.0f;
    for (bool rising : {true, false}) {
        ModelBuilder s = frame_members(2.0e6f, 0.25f, gamma);
        s.node(0, 0, rising ? 0.0f : 3.0f);
        s.node(4, 0, rising ? 3.0f : 0.0f);
        s.bar(1, 2);
        s.assemble();
        EXPECT_NEAR(s.m.CUNIF(1, PPROPIO), 0.8f * Wf / 5.0f, 1e-6f);
        EXPECT_NEAR(s.m.total_load, Wf, 1e-6f);
        const int32_t lower = rising ? 0 : 6, upper = 6 - lower;
        EXPECT_NEAR(s.frame.vered[2](lower + 3), 0.36f * Wf + 0.32f * Wf, 1e-6f);
        EXPECT_NEAR(s.frame.vered[2](upper + 3), 0.32f * Wf, 1e-6f);
        EXPECT_NEAR(s.frame.vered[2](1) + s.frame.vered[2](7), 0.0f, 1e-6f);
        for (int32_t i = 1; i <= 12; ++i) {
            EXPECT_EQ(s.frame.vered[4](i), s.frame.vered[3](i));
            EXPECT_EQ(s.frame.vered[1](i), 0.0f);
        }
    }
    // Vertical bars hang their weight on the lower node whichever way they are
    // drawn; here the top is fixed, so the free bottom stretches by W·h/(EA).
    for (bool downwards : {false, true}) {
        ModelBuilder v = frame_members(2.0e6f, 0.25f, gamma);
        v.node(0, 0, 3, FIXED);
        v.node(0, 0, 0);
        downwards ? v.bar(1, 2) : v.bar(2, 1);
        v.assemble();
        const float W = 0.12f * gamma * 3.0f;
        EXPECT_NEAR(v.frame.vered[2](3), W, 1e-6f);
        v.solve(v.frame.vered[2]);
        EXPECT_NEAR(v.d(2, 3), -W * 3.0 / (E * A), 1e-4 * W * 3.0 / (E * A));
    }
}

TEST(FrameAssembly, ReportTotalLoadFixedBarsAndQmax) {
    // bar 1 between two fixed nodes adds nothing but still weighs; its loads
    // are reported as read, before the self weight
    ModelBuilder f = frame_members(2.0e6f, 0.25f, 2.0f);
    f.node(0, 0, 0, FIXED);
    f.node(2, 0, 0, FIXED);
    f.node(2, 0, 1, {0, 0, 3, 0, 0, 1});   // nodal reaction on DZ, MZ fixed
    f.bar(1, 2, {1.0f, 0, 0, 3.0f, 0, 0});
    f.bar(2, 3);
    f.prepare();
    f.m.RIGAD(2) = 50.0f;
    Outputs out;
    report_uniform_loads(f.m, out.report);
    assemble_frame(f.m, f.frame, out.trace());
    report_total_load(f.m, out.report);
    const std::string rep = Outputs::text(out.report);
    EXPECT_TRUE(contains(rep, "     1      1.0000      0.0000      0.0000      3.0000      0.0000      0.0000\n"));
    EXPECT_NEAR(f.m.total_load, 4.0f * 2 + 0.24f * 2 + 0.24f, 1e-5f);
    for (int32_t i = 1; i <= 5; ++i) EXPECT_EQ(f.frame.vered[2](i), 0.0f);   // bar 2's weight sits on node 2
    EXPECT_FLOAT_EQ(f.frame.akr(2, 2), 12.0f * 2.0e6f * 9.0e-4f + 50.0f);   // spring on the diagonal
    EXPECT_TRUE(contains(Outputs::text(out.log), " agregando la rigidez   50.0000000     en el gl           2\n"));
    EXPECT_EQ(f.frame.akr(f.eq(3, 3), f.m.NGRED + 1), -1.0f);              // nodal reaction column
    // no foundation area: qmax is 0, not a division by zero
    EXPECT_EQ(f.m.qmax, 0.0f);
    EXPECT_TRUE(contains(rep, latin1(" La presión máxima qmax ejercida por la estructura es   0.00000000    \n")));
}

TEST(FrameAssembly, ReactionColumnsCarryHalfBarLineReactions) {
    // foundation beam 1-2-3 on area reactions, then a bar to node 4 with DZ fixed
    const float L = 4.0f, q = 1.5f;
    ModelBuilder f = frame_members();
    for (int32_t n = 0; n < 3; ++n) f.node(n * L, 0, 0, SOIL, 1);
    f.node(3 * L, 0, 0, {0, 0, 1, 0, 0, 0});
    for (int32_t n = 1; n <= 3; ++n) f.bar(n, n + 1, {0, 0, 0, q, 0, 0});
    f.assemble();
    ASSERT_EQ(f.m.NR, 3);
    auto col = [&](int32_t n, int32_t k, int32_t r) { return f.frame.akr(f.eq(n, k), f.m.NGRED + r); };
    EXPECT_FLOAT_EQ(col(1, 3, 1), -13.0f / 32 * L);   // reaction 1 over the first half of bar 1
    EXPECT_FLOAT_EQ(col(1, 5, 1), 11.0f / 192 * L * L);
    EXPECT_FLOAT_EQ(col(2, 3, 1), -3.0f / 32 * L);
    EXPECT_FLOAT_EQ(col(2, 5, 1), -5.0f / 192 * L * L);
    EXPECT_EQ(col(3, 3, 1), 0.0f);
    EXPECT_FLOAT_EQ(col(2, 3, 2), -26.0f / 32 * L);   // node 2 collects both half-bars
    EXPECT_NEAR(col(2, 5, 2), 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(col(3, 3, 3), -13.0f / 32 * L);   // bar 3 adds nothing: node 4 is fixed in DZ
    EXPECT_EQ(col(4, 5, 3), 0.0f);
    // a soil reaction equal to the load balances it: akr·[0; q q q] = -vered2
    for (int32_t k = 1; k <= 6; ++k) {
        float s = 0.0f;
        for (int32_t r = 1; r <= 3; ++r) s += col(1, k, r) * q;
        EXPECT_NEAR(s, -f.frame.vered[2](f.eq(1, k)), 1e-5f) << k;
    }
}

TEST(FrameAssembly, EnlargedMatrixIsLoggedUpToAThousandColumns) {
    // 167 nodes without bars, 4 on area reactions, the last one fixing 6 or
    // 5 dofs: NGRED + NR = 1000 (logged) or 1001 (not logged)
    for (int32_t fixed : {6, 5}) {
        ModelBuilder f = frame_members();
        for (int32_t n = 1; n <= 167; ++n) {
            Codes c = n <= 4 ? SOIL : FREE;
            for (int32_t k = 0; n == 167 && k < fixed; ++k) c[size_t(k)] = 1;
            f.node(float(n), 0, 0, c);
        }
        Outputs out;
        f.assemble(out.trace());
        const std::string log = Outputs::text(out.log);
        ASSERT_EQ(f.m.NGRED + f.m.NR, 1006 - fixed);
        EXPECT_EQ(contains(log, " MATRIZ DE REGIDEZ AMPLIADA\n"), fixed == 6);
        EXPECT_EQ(contains(log, " VECTOR DE CARGAS REDUCIDO, vered4\n"), fixed == 6);
    }
}

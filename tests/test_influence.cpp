// Boussinesq influence values: the corner solution, the superposition of
// corner rectangles and the tables and "VALINF" file of a model.
#include <gtest/gtest.h>

#include <cmath>

#include "model_builder.h"
#include "soil/influence.h"

using namespace qbtest;

TEST(CornerStress, PublishedFactorsAndEmptyRectangles) {
    // vertical stress under the corner, m = B/z, n = L/z (at z = 2)
    auto Iz = [](float m_, float n_) { return corner_stress(0.3f, 0, 0, 2 * m_, 2 * n_, 2).sz; };
    EXPECT_NEAR(Iz(1, 1), 0.1752f, 1e-4f);
    EXPECT_NEAR(Iz(0.5f, 0.5f), 0.0840f, 1e-4f);
    EXPECT_NEAR(Iz(1, 2), 0.1999f, 1e-4f);
    EXPECT_NEAR(Iz(1e4f, 1e4f), 0.25f, 1e-5f);   // m = n -> infinity
    // a side of zero length (the slab corners' point rectangles) loads nothing
    for (Stress s : {corner_stress(0.3f, 1, 1, 1, 4, 2), corner_stress(0.3f, 1, 1, 4, 1, 2),
                     bousi(0.3f, 6, 4, 0.5f, 6, 4, 6, 4)})
        EXPECT_TRUE(s.sx == 0.0f && s.sy == 0.0f && s.sz == 0.0f);
}

TEST(Bousi, CentreOfSquareIsFourCorners) {
    Stress c = corner_stress(0.25f, 0, 0, 1.5f, 1.5f, 2);
    Stress s = bousi(0.25f, 5, 5, 2, 3.5f, 3.5f, 6.5f, 6.5f);
    EXPECT_FLOAT_EQ(s.sz, 4.0f * c.sz);
    EXPECT_FLOAT_EQ(s.sx, 4.0f * c.sx);
    EXPECT_LT(bousi(0.25f, 500, 0, 2, -1.5f, -1.5f, 1.5f, 1.5f).sz, 1e-6f);   // far away
}

TEST(Bousi, EverySuperpositionClassMatchesDirectSum) {
    // Signed quadrants from the point to each corner of [2, 6] x [-1, 3].
    auto direct = [](float x, float y, float z) {
        auto g = [&](float cx, float cy) {
            const float s = (cx > x ? 1.0f : -1.0f) * (cy > y ? 1.0f : -1.0f);
            const Stress c = corner_stress(0.3f, x, y, cx, cy, z);
            return Stress{s * c.sx, s * c.sy, s * c.sz};
        };
        Stress a = g(6, 3), b = g(2, 3), c = g(6, -1), d = g(2, -1);
        return Stress{a.sx - b.sx - c.sx + d.sx, a.sy - b.sy - c.sy + d.sy, a.sz - b.sz - c.sz + d.sz};
    };
    // before, on the first edge, between (off centre), on the second edge, beyond
    for (float x : {0.5f, 2.0f, 3.0f, 6.0f, 7.5f})
        for (float y : {-2.5f, -1.0f, 2.0f, 3.0f, 4.0f})
            for (float z : {0.5f, 3.0f}) {
                SCOPED_TRACE(::testing::Message() << "x=" << x << " y=" << y << " z=" << z);
                const Stress b = bousi(0.3f, x, y, z, 2, -1, 6, 3), d = direct(x, y, z);
                EXPECT_NEAR(b.sz, d.sz, 2e-6f);
                EXPECT_NEAR(b.sx, std::max(0.0f, d.sx), 2e-6f);   // no horizontal tension
                EXPECT_NEAR(b.sy, std::max(0.0f, d.sy), 2e-6f);
            }
}

struct InfluenceValues : ::testing::Test {
    ModelBuilder b = strip_footing_frame();
    Model& m = b.m;
    Outputs out;
    void compute() { compute_influence_values(m, out.trace(), Trace(out.valinf)); }
    std::vector<std::string> valinf() { return Outputs::lines(out.valinf); }
};

TEST_F(InfluenceValues, StripFrameMatchesReferenceFile) {
    compute();
    const std::vector<std::string> v = valinf();
    ASSERT_EQ(v.size(), 25u);
    EXPECT_EQ(v[2], "               VALORES DE INFLUENCIA");
    EXPECT_EQ(v[4], "           1 DIRECCIONES");
    EXPECT_EQ(v[5], " EN LA DIRECCI\xd3N           1");   // Latin-1
    EXPECT_EQ(v[6], " PUNTO ESTRATO REACCION      IX        IY        IZ");
    EXPECT_EQ(v[7], "       1       1       1    0.1013026 0.0170572 0.3096670 0.2682410");
    EXPECT_EQ(v[8], "       1       1       2    0.0212615 0.0079108 0.0027409-0.0074694");
    EXPECT_EQ(v[14], "       2       1       2    0.2026052 0.0341145 0.6193340 0.5364821");
    EXPECT_EQ(v[18], "       2       2       3    0.0026994 0.0000000 0.0156504 0.0148406");
    // running sums, to the last bit
    EXPECT_NE(Outputs::text(out.log).find("           2           2 SUM_AINF=   8.23538676E-02\n"), std::string::npos);
}

TEST_F(InfluenceValues, NoDirectionWritesOnlyTheHeading) {
    m.NDIRMAX = 0;
    compute();
    EXPECT_EQ(valinf().size(), 5u);
    EXPECT_EQ(m.IZ(2, 1, 2, 1), 0.0f);
}

TEST_F(InfluenceValues, SkippedStrataSecondDirectionAndMissingProfile) {
    for (int32_t n = 1; n <= 3; ++n) m.DF(n) = 3.0f;   // stratum 1 ends exactly at the foundation
    m.NDIRMAX = 2;
    b.rect(2, 2, 4.4f, -1.0f, 5.6f, 1.0f);           // a cross strip at node 2
    m.PERFIL(3) = 7;                                   // beyond the profiles read
    compute();
    EXPECT_EQ(valinf().size(), 5u + 2 * (2 + 2 * 3));   // points 1, 2 on stratum 2 only
    EXPECT_EQ(m.IZ(1, 1, 1, 1), 0.0f);
    EXPECT_EQ(m.IZ(3, 2, 3, 1), 0.0f);
    // stratum 2 is now the bearing one: its middle, 5 m below the foundation
    EXPECT_EQ(m.IZ(2, 2, 2, 2), bousi(0.30f, 5, 0, 5, 4.4f, -1, 5.6f, 1).sz);
    float sum = 0;
    for (int32_t d = 1; d <= 2; ++d)
        for (int32_t l = 1; l <= 3; ++l) sum = sum + m.AINF(2, 2, l, d);
    EXPECT_EQ(m.SUM_AINF(2, 2), sum);
}

// Soil flexibility matrices of the four cases and the isolated-footing springs.
#include <gtest/gtest.h>

#include <cmath>

#include "soil/flexibility.h"
#include "soil/footing_springs.h"
#include "soil/influence.h"
#include "model_builder.h"

using namespace qbtest;

// One area reaction (length 2, area 3) 0.5 m deep on strata of 2 m and 4 m,
// with influence values set by hand in both directions.
struct OneReaction : ::testing::Test {
    ModelBuilder b;
    Model& m = b.m;
    CaseState& st = b.st;
    const Trace log;
    const float q = 2.0f / 3.0f;   // pressure of a unit reaction
    void SetUp() override {
        b.profile({{.H = 2.0f, .E2 = 1000.0f, .NU2 = 0.3f, .EMV = 1000.0f},
                   {.H = 4.0f, .E2 = 4000.0f, .NU2 = 0.25f, .EMV = 4000.0f}});
        b.node(0, 0, 0, SOIL, 1, 0.5f);
        b.number();
        b.reaction_area(1, 2.0f, 3.0f);
        for (Arr4<float>* a : {&m.IX, &m.IY, &m.IZ}) a->resize(1, limits::STRATA, 1, 2);
        set(1, 0.10f, 0.05f, 0.40f, 0.20f);
        set(2, 0.02f, 0.01f, 0.10f, 0.05f);
        m.nflag1 = 3;
    }
    void set(int32_t k, float ix, float iy, float iz1, float iz2) {
        for (int32_t d = 1; d <= 2; ++d) {
            m.IX(1, k, 1, d) = ix;
            m.IY(1, k, 1, d) = iy;
            m.IZ(1, k, 1, d) = d == 1 ? iz1 : iz2;
        }
    }
};

TEST_F(OneReaction, ElasticFormulaAndBearingStratum) {
    m.soil.NEST(1) = 1;
    FLSC(m, st, m.soil.E2, log);
    // (LONGREAC / AREAREAC) h (IZs - nu (IXs + IYs)) / E, h = the part below the foundation
    EXPECT_FLOAT_EQ(st.FLEX(1, 1), q * 1.5f * (0.6f - 0.3f * 0.3f) / 1000.0f);
    m.soil.NEST(1) = 2;
    FLSC_3(m, st, log);
    EXPECT_FLOAT_EQ(st.FLEX(1, 1), q * 1.5f * 0.6f / 1000.0f + q * 4.0f * 0.15f / 4000.0f);
    // the stress-dependent law takes the whole bearing stratum; with no
    // reaction the in-situ mean stress alone sets E = K PA (sigma / PA)^N
    Soil& s = m.soil;
    s.PA = 10.0f;
    s.K(1, 1) = s.K(1, 2) = 100.0f;
    s.N(1, 1) = s.N(1, 2) = 0.5f;
    s.KO(1, 1) = s.KO(1, 2) = 0.5f;
    st.FLEX(1, 1) = 99.0f;
    FNLCC(m, st, Vec1<float>(1, 0.0f), log);
    auto E = [&](int32_t k) { return 1000.0f * std::sqrt(2.0f * s.PZ(1, k) / 3.0f / 10.0f); };
    EXPECT_FLOAT_EQ(st.FLEX(1, 1), q * 2.0f * 0.6f / E(1) + q * 4.0f * 0.15f / E(2));
    m.DF(1) = 6.0f;   // every stratum above the foundation: zero row
    FLSC(m, st, m.soil.E2, log);
    EXPECT_EQ(st.FLEX(1, 1), 0.0f);
}

TEST_F(OneReaction, NegativeSums) {
    m.soil.NEST(1) = 1;
    set(1, -0.2f, -0.1f, -0.05f, 0.02f);   // horizontal sums count as 0, IZs = -0.03
    FLSC(m, st, m.soil.E2, log);
    EXPECT_FLOAT_EQ(st.FLEX(1, 1), q * 1.5f * -0.03f / 1000.0f);
    FLSC_3(m, st, log);
    EXPECT_EQ(st.FLEX(1, 1), 0.0f);
}

TEST_F(OneReaction, ModulusSwitchKeepsLastCompliance) {
    FLSC(m, st, m.soil.E2, log);
    const float lab = st.FLEX(1, 1);
    Mat1<float> by_node(1, limits::STRATA);   // nflag1 = 2: moduli of the reaction's node
    by_node(1, 1) = 2000.0f;
    by_node(1, 2) = 8000.0f;
    m.nflag1 = 2;
    FLSC(m, st, by_node, log);
    EXPECT_FLOAT_EQ(st.FLEX(1, 1), lab / 2.0f);
    m.nflag1 = 0;   // any other value: the compliances of the previous call
    FLSC(m, st, m.soil.E2, log);
    EXPECT_FLOAT_EQ(st.FLEX(1, 1), lab / 2.0f);
}

TEST_F(OneReaction, SecondaryConsolidationTimeFactor) {
    FLSC_3(m, st, log);
    const float primary = st.FLEX(1, 1);
    Soil& s = m.soil;
    s.EMT(1, 1) = s.EMV(1, 1);
    s.EMT(1, 2) = s.EMV(1, 2);
    s.PSI(1, 1) = 0.0f; s.T(1, 1) = 5.0f; s.PSI(1, 2) = 2.0f; s.T(1, 2) = 0.0f;
    FLSC_4(m, st, log);
    EXPECT_EQ(st.FLEX(1, 1), 0.0f);       // PSI T = 0
    s.PSI(1, 1) = 3.0f; s.T(1, 1) = 3.0f; s.PSI(1, 2) = 4.5f; s.T(1, 2) = 2.0f;
    FLSC_4(m, st, log);
    EXPECT_EQ(st.FLEX(1, 1), primary);    // PSI T = 9: factor 1
}

TEST(Flexibility, StripFrameMatchesReferenceLog) {
    ModelBuilder b = strip_footing_frame();
    Model& m = b.m;
    Outputs out;
    compute_influence_values(m, Trace(), Trace());
    FLSC(m, b.st, m.soil.E1, out.trace());
    const std::vector<std::string> v = Outputs::lines(out.log);
    ASSERT_EQ(v.size(), 116u);
    EXPECT_EQ(v[2], " posicion            3 DO J           1 AREA DE REACCION=   3.00000000     "
                    "LONGITUD DE REACCION=   2.50000000    ");
    EXPECT_EQ(v[3], " en flsc, ESTRATO=           1  DF(NODO)=   1.00000000     PROF ESTRATO=   3.00000000    ");
    EXPECT_EQ(v[6], " AINF           1           1           1  0.268241048    ");
    EXPECT_EQ(v[13], " almacenando para nudo y reacci\xf3n           1           1");
    EXPECT_EQ(v[113], "   2.60112429E-04   2.23360876E-05   2.03296554E-06");
    Outputs::clear(out.log);
    FLSC_4(m, b.st, out.trace());
    EXPECT_NE(Outputs::text(out.log).find("\n   8.53972888E-05   8.95632184E-06   1.05981871E-06\n"), std::string::npos);
}

// ---- isolated footings: a 2 x 2 footing under node 2, springs on its six dofs

struct Footing : ::testing::Test {
    ModelBuilder b;
    Model& m = b.m;
    CaseState& st = b.st;
    Outputs out;
    Mat1<float> E{1, limits::STRATA}, nu{1, limits::STRATA};
    const float r = std::sqrt(4.0f / 3.1415927f);
    void SetUp() override {
        b.profile({{.H = 1.0f}, {.H = 3.0f}, {.H = 5.0f}});   // stratum 1 above the footing
        b.node(0, 0, 0, FREE, 1, 1.0f);
        b.node(0, 0, 0, FREE, 1, 1.0f);
        b.footing(2, 2.0f, 2.0f);
        b.number();
        ASSERT_EQ(m.MR, 6);
        E(1, 1) = 50.0f; E(1, 2) = 1000.0f; E(1, 3) = 3000.0f;
    }
};

TEST_F(Footing, OneStratumWithoutPoisson) {
    m.soil.NEST(1) = 2;
    isolated_footing_springs(m, st, E, nu, out.trace());
    const float G = 500.0f;
    EXPECT_FLOAT_EQ(st.FLEX(3, 3), 1.0f / (2.0f * 1000.0f * r));
    EXPECT_FLOAT_EQ(st.FLEX(1, 1), 1.0f / (32.0f * G * r / 7.0f));
    EXPECT_EQ(st.FLEX(2, 2), st.FLEX(1, 1));
    for (int32_t d = 4; d <= 6; ++d) EXPECT_FLOAT_EQ(st.FLEX(d, d), 1.0f / (8.0f * G * r * r * r / 3.0f));
    EXPECT_EQ(st.FLEX(1, 3), 0.0f);
}

TEST_F(Footing, TwoStrataInSeries) {
    nu(1, 2) = 0.3f;
    nu(1, 3) = 0.25f;
    isolated_footing_springs(m, st, E, nu, out.trace());
    auto Kv = [&](float e, float v) { return 2.0f * e * r / (1.0f - v * v); };
    EXPECT_FLOAT_EQ(st.FLEX(3, 3), 1.0f / Kv(1000.0f, 0.3f) + 1.0f / Kv(3000.0f, 0.25f));
    const std::vector<std::string> v = Outputs::lines(out.log);
    EXPECT_EQ(v[2], " INVESTIGANDO REACCI\xd3N           1  GL=           7");
    EXPECT_EQ(v[9], " prof=   1.00000000       df=   1.00000000    ");
    EXPECT_EQ(v[21], " SE TIENE UNA RIGIDEZ HORIZONTAL  GL=           1");
}

TEST_F(Footing, MissingFootingIsRigidAndNoSprings) {
    m.NODOZ(1) = 1;   // no footing under node 2
    isolated_footing_springs(m, st, E, nu, out.trace());
    for (int32_t i = 1; i <= 6; ++i) EXPECT_EQ(st.FLEX(i, i), 0.0f);
    // the strata are walked all the same: springs of no stiffness, sums kept at 0
    const std::string log = Outputs::text(out.log);
    size_t strata = 0;
    for (size_t p = 0; (p = log.find(" ESTRATO", p)) != std::string::npos; ++p) ++strata;
    EXPECT_EQ(strata, 6u * 3u);
    EXPECT_NE(log.find(" SUMAS (INVERSOS):   0.00000000       0.00000000       0.00000000    \n"), std::string::npos);
    ModelBuilder s = strip_footing_frame();
    Outputs out2;
    s.st.FLEX.resize(3, 3, 0.5f);
    isolated_footing_springs(s.m, s.st, s.m.soil.E1, s.m.soil.NU1, out2.trace());   // MR = 0
    const std::string row = "          0.50000000          0.50000000          0.50000000\n";
    EXPECT_EQ(Outputs::text(out2.log), " FORMANDO MATRIZ DE FLEXIBILIDADES, ZAPATAS AISLADAS\n M=           0\n"
                                        " MATRIZ DE FLEXIBILIDADES, ZAPATAS CORRIDAS+AISLADAS\n" + row + row + row);
}

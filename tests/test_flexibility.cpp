// Soil flexibility matrices of the four cases and the isolated-footing springs.
#include <gtest/gtest.h>

#include <cmath>

#include "soil/flexibility.h"
#include "soil/footing_springs.h"
#include "soil/influence.h"
#include "tests/soil_models.h"

using namespace qb;
using namespace qb::testing;

// One area reaction (length 2, area 3) 0.5 m deep on strata of 2 m and 4 m,
// with influence values set by hand in both directions.
struct OneReaction : ::testing::Test {
    Model m;
    Io io;
    const float q = 2.0f / 3.0f;   // pressure of a unit reaction
    void SetUp() override {
        io.log.attach_buffer();
        soil_and_nodes(m, {2.0f, 4.0f}, 1, 1, 0.5f);
        m.LONGREAC(3) = 2.0f;
        m.AREAREAC(3) = 3.0f;
        for (Arr4<float>* a : {&m.IX, &m.IY, &m.IZ}) a->resize(1, limits::STRATA, 1, 2);
        set(1, 0.10f, 0.05f, 0.40f, 0.20f);
        set(2, 0.02f, 0.01f, 0.10f, 0.05f);
        Soil& s = m.soil;
        s.NU2(1, 1) = 0.3f; s.NU2(1, 2) = 0.25f;
        s.E2(1, 1) = s.EMV(1, 1) = 1000.0f;
        s.E2(1, 2) = s.EMV(1, 2) = 4000.0f;
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
    FLSC(m, io, m.soil.E2);
    // (LONGREAC / AREAREAC) h (IZs - nu (IXs + IYs)) / E, h = the part below the foundation
    EXPECT_FLOAT_EQ(m.FLEX(1, 1), q * 1.5f * (0.6f - 0.3f * 0.3f) / 1000.0f);
    m.soil.NEST(1) = 2;
    FLSC_3(m, io);
    EXPECT_FLOAT_EQ(m.FLEX(1, 1), q * 1.5f * 0.6f / 1000.0f + q * 4.0f * 0.15f / 4000.0f);
    // the stress-dependent law takes the whole bearing stratum; with no
    // reaction the in-situ mean stress alone sets E = K PA (sigma / PA)^N
    Soil& s = m.soil;
    s.PA = 10.0f;
    s.K(1, 1) = s.K(1, 2) = 100.0f;
    s.N(1, 1) = s.N(1, 2) = 0.5f;
    s.KO(1, 1) = s.KO(1, 2) = 0.5f;
    m.FLEX(1, 1) = 99.0f;
    FNLCC(m, io, Vec1<float>(1, 0.0f));
    auto E = [&](int32_t k) { return 1000.0f * std::sqrt(2.0f * s.PZ(1, k) / 3.0f / 10.0f); };
    EXPECT_FLOAT_EQ(m.FLEX(1, 1), q * 2.0f * 0.6f / E(1) + q * 4.0f * 0.15f / E(2));
    m.DF(1) = 6.0f;   // every stratum above the foundation: zero row
    FLSC(m, io, m.soil.E2);
    EXPECT_EQ(m.FLEX(1, 1), 0.0f);
}

TEST_F(OneReaction, NegativeSums) {
    m.soil.NEST(1) = 1;
    set(1, -0.2f, -0.1f, -0.05f, 0.02f);   // horizontal sums count as 0, IZs = -0.03
    FLSC(m, io, m.soil.E2);
    EXPECT_FLOAT_EQ(m.FLEX(1, 1), q * 1.5f * -0.03f / 1000.0f);
    FLSC_3(m, io);
    EXPECT_EQ(m.FLEX(1, 1), 0.0f);
}

TEST_F(OneReaction, ModulusSwitchKeepsLastCompliance) {
    FLSC(m, io, m.soil.E2);
    const float lab = m.FLEX(1, 1);
    Mat1<float> by_node(1, limits::STRATA);   // nflag1 = 2: moduli of the reaction's node
    by_node(1, 1) = 2000.0f;
    by_node(1, 2) = 8000.0f;
    m.nflag1 = 2;
    FLSC(m, io, by_node);
    EXPECT_FLOAT_EQ(m.FLEX(1, 1), lab / 2.0f);
    m.nflag1 = 0;   // any other value: the compliances of the previous call
    FLSC(m, io, m.soil.E2);
    EXPECT_FLOAT_EQ(m.FLEX(1, 1), lab / 2.0f);
}

TEST_F(OneReaction, SecondaryConsolidationTimeFactor) {
    FLSC_3(m, io);
    const float primary = m.FLEX(1, 1);
    Soil& s = m.soil;
    s.EMT(1, 1) = s.EMV(1, 1);
    s.EMT(1, 2) = s.EMV(1, 2);
    s.PSI(1, 1) = 0.0f; s.T(1, 1) = 5.0f; s.PSI(1, 2) = 2.0f; s.T(1, 2) = 0.0f;
    FLSC_4(m, io);
    EXPECT_EQ(m.FLEX(1, 1), 0.0f);       // PSI T = 0
    s.PSI(1, 1) = 3.0f; s.T(1, 1) = 3.0f; s.PSI(1, 2) = 4.5f; s.T(1, 2) = 2.0f;
    FLSC_4(m, io);
    EXPECT_EQ(m.FLEX(1, 1), primary);    // PSI T = 9: factor 1
}

TEST(Flexibility, StripFrameMatchesReferenceLog) {
    Model m;
    Io io;
    io.valinf.attach_buffer();
    io.log.attach_buffer();
    strip_frame(m);
    compute_influence_values(m, io);
    io.log.attach_buffer();
    FLSC(m, io, m.soil.E1);
    io.log.flush();
    const std::vector<std::string> v = lines(io.log.memory());
    ASSERT_EQ(v.size(), 116u);
    EXPECT_EQ(v[2], " posicion            3 DO J           1 AREA DE REACCION=   3.00000000     "
                    "LONGITUD DE REACCION=   2.50000000    ");
    EXPECT_EQ(v[3], " en flsc, ESTRATO=           1  DF(NODO)=   1.00000000     PROF ESTRATO=   3.00000000    ");
    EXPECT_EQ(v[6], " AINF           1           1           1  0.268241048    ");
    EXPECT_EQ(v[13], " almacenando para nudo y reacci\xf3n           1           1");
    EXPECT_EQ(v[113], "   2.60112429E-04   2.23360876E-05   2.03296554E-06");
    io.log.attach_buffer();
    FLSC_4(m, io);
    io.log.flush();
    EXPECT_NE(io.log.memory().find("\n   8.53972888E-05   8.95632184E-06   1.05981871E-06\n"), std::string::npos);
}

// ---- isolated footings: a 2 x 2 footing under node 2, springs on its six dofs

struct Footing : ::testing::Test {
    Model m;
    Io io;
    Mat1<float> E{1, limits::STRATA}, nu{1, limits::STRATA};
    const float r = std::sqrt(4.0f / 3.1415927f);
    void SetUp() override {
        io.log.attach_buffer();
        soil_and_nodes(m, {1.0f, 3.0f, 5.0f}, 2, 0, 1.0f);   // stratum 1 above the footing
        m.MR = 6;
        m.NREACNOD.resize(6);
        for (int32_t i = 1; i <= 6; ++i) m.NREACNOD(i) = 6 + i;
        m.NZAP = 1;
        m.ANCHOZ.resize(1, 2.0f);
        m.LARGOZ.resize(1, 2.0f);
        m.NODOZ.resize(1, 2);
        E(1, 1) = 50.0f; E(1, 2) = 1000.0f; E(1, 3) = 3000.0f;
    }
};

TEST_F(Footing, OneStratumWithoutPoisson) {
    m.soil.NEST(1) = 2;
    isolated_footing_springs(m, io, E, nu);
    const float G = 500.0f;
    EXPECT_FLOAT_EQ(m.FLEX(3, 3), 1.0f / (2.0f * 1000.0f * r));
    EXPECT_FLOAT_EQ(m.FLEX(1, 1), 1.0f / (32.0f * G * r / 7.0f));
    EXPECT_EQ(m.FLEX(2, 2), m.FLEX(1, 1));
    for (int32_t d = 4; d <= 6; ++d) EXPECT_FLOAT_EQ(m.FLEX(d, d), 1.0f / (8.0f * G * r * r * r / 3.0f));
    EXPECT_EQ(m.FLEX(1, 3), 0.0f);
}

TEST_F(Footing, TwoStrataInSeries) {
    nu(1, 2) = 0.3f;
    nu(1, 3) = 0.25f;
    isolated_footing_springs(m, io, E, nu);
    auto Kv = [&](float e, float v) { return 2.0f * e * r / (1.0f - v * v); };
    EXPECT_FLOAT_EQ(m.FLEX(3, 3), 1.0f / Kv(1000.0f, 0.3f) + 1.0f / Kv(3000.0f, 0.25f));
    io.log.flush();
    const std::vector<std::string> v = lines(io.log.memory());
    EXPECT_EQ(v[2], " INVESTIGANDO REACCI\xd3N           1  GL=           7");
    EXPECT_EQ(v[9], " prof=   1.00000000       df=   1.00000000    ");
    EXPECT_EQ(v[21], " SE TIENE UNA RIGIDEZ HORIZONTAL  GL=           1");
}

TEST_F(Footing, MissingFootingIsRigidAndNoSprings) {
    m.NODOZ(1) = 1;   // no footing under node 2
    isolated_footing_springs(m, io, E, nu);
    for (int32_t i = 1; i <= 6; ++i) EXPECT_EQ(m.FLEX(i, i), 0.0f);
    Model s;
    Io io2;
    io2.log.attach_buffer();
    strip_frame(s);
    s.FLEX.resize(3, 3, 0.5f);
    isolated_footing_springs(s, io2, s.soil.E1, s.soil.NU1);   // MR = 0
    io2.log.flush();
    const std::string row = "          0.50000000          0.50000000          0.50000000\n";
    EXPECT_EQ(io2.log.memory(), " FORMANDO MATRIZ DE FLEXIBILIDADES, ZAPATAS AISLADAS\n M=           0\n"
                                " MATRIZ DE FLEXIBILIDADES, ZAPATAS CORRIDAS+AISLADAS\n" + row + row + row);
}

// Demeneghi's settlement on hand-set influence values: the equation of each
// case, and what settles nothing.
#include <gtest/gtest.h>

#include <cmath>

#include "model_builder.h"
#include "solver/demeneghi.h"

namespace qbtest {
namespace {

// NR reactions at 10 on clay strata of profile 1, each 5 m long on 7.5 m2;
// every reaction sees the same influence values from every reaction.
struct Clay {
    ModelBuilder b;
    Model& m = b.m;
    Vec1<float> R, h;
    Clay(const std::vector<float>& H, int32_t NR) {
        std::vector<Stratum> strata;
        for (float t : H) strata.push_back({.H = t, .NU2 = 0.35f, .KO = 0.6f, .PSI = 0.4f, .T = 1.0f});
        b.profile(strata);
        Soil& s = m.soil;
        s.PA = 10.0f;
        for (int32_t k = 1; k <= s.NEST(1); ++k) {
            s.TIPOEST(1, k) = 2;
            s.A(1, k) = 2.5f, s.AP(1, k) = 1.8f, s.ACS(1, k) = 1.5f;
        }
        for (int32_t l = 1; l <= NR; ++l) b.node(5.0f * float(l), 0, 0, SOIL, 1, 0.0f);
        b.number();
        for (int32_t l = 1; l <= NR; ++l) b.reaction_area(l, 5.0f, 7.5f);
        for (Arr4<float>* t : {&m.IX, &m.IY, &m.IZ}) t->resize(NR, limits::STRATA, NR, 2);
        R.resize(m.NGRED + NR, 10.0f);
        h.resize(NR);
    }
    void influence(int32_t k, float ix, float iy, float iz) {   // split over the two directions
        for (int32_t i = 1; i <= m.NR; ++i)
            for (int32_t l = 1; l <= m.NR; ++l)
                for (int32_t d = 1; d <= 2; ++d) m.IX(i, k, l, d) = ix / 2, m.IY(i, k, l, d) = iy / 2, m.IZ(i, k, l, d) = iz / 2;
    }
    float settle(int32_t caso, int32_t i = 1) {
        Vec1<float> def;
        CalcDefNL(m, caso, demeneghi_coefficients(m.soil, caso), R, h, def, Trace());
        return def(i);
    }
};

TEST(Demeneghi, EachCaseFollowsItsEquation) {
    // Reactions 10 and 6, the second raised by h = 1: pressure 17 x 5 / 7.5.
    Clay s({4.0f}, 2);
    s.influence(1, 0.08f, 0.06f, 0.4f);
    s.R(s.m.NGRED + 2) = 6.0f;
    s.h(2) = 1.0f;
    const double q = 17.0 * 5.0 / 7.5, sx = q * 0.08, sy = q * 0.06, sz = q * 0.4, H = 4.0, PA = 10.0;
    const double C = (sx + sy) / sz, F = 1.0 / 3 + C / 3, p0 = (2 * 0.6 + 1) * 3.6 / 3;   // PZ = 1.8 H / 2
    const double X = (1 - 0.35 * C) * (std::sqrt(sz * F + p0) - std::sqrt(p0)) / (std::sqrt(PA) * 0.5 * 2.5 * F);
    EXPECT_NEAR(s.settle(2), H * (1 - std::exp(-X)), 5e-6);
    EXPECT_NEAR(s.settle(2, 2), H * (1 - std::exp(-X)), 5e-6);
    EXPECT_NEAR(s.settle(3), (1 - std::exp(sz / (-PA * 1.8))) * H, 5e-6);
    EXPECT_NEAR(s.settle(4), std::log10(1.4) * (1 - std::exp(sz / (-PA * 1.5))) * H, 5e-6);
    EXPECT_EQ(s.settle(1), 0.0f);   // no such case
}

TEST(Demeneghi, WhatSettlesNothingAndWhichStrataCount) {
    Clay s({3.0f, 5.0f}, 1);
    s.influence(1, 0.1f, 0.1f, 0.5f);
    s.influence(2, 0.02f, 0.02f, 0.2f);
    // No reaction, no stress: case 2 would divide 0 by 0, and settles 0; its
    // log shows a stress ratio of 0, not the NaN of the division.
    s.R(s.m.NGRED + 1) = 0.0f;
    for (int32_t caso : {2, 3, 4}) EXPECT_EQ(s.settle(caso), 0.0f) << caso;
    Outputs out;
    Vec1<float> def;
    CalcDefNL(s.m, 2, demeneghi_coefficients(s.m.soil, 2), s.R, s.h, def, out.trace());
    const std::string log = Outputs::text(out.log);
    EXPECT_NE(log.find(" ssigmas=   0.00000000    \n"), std::string::npos) << log;
    EXPECT_EQ(log.find("NaN"), std::string::npos) << log;
    s.R(s.m.NGRED + 1) = 10.0f;

    // Consolidation leaves sand alone; immediate compression does not.
    const float both = s.settle(3), clay2 = s.settle(2);
    s.m.soil.TIPOEST(1, 1) = s.m.soil.TIPOEST(1, 2) = 1;
    EXPECT_EQ(s.settle(3), 0.0f);
    EXPECT_EQ(s.settle(4), 0.0f);
    EXPECT_EQ(s.settle(2), clay2);
    s.m.soil.TIPOEST(1, 1) = s.m.soil.TIPOEST(1, 2) = 2;

    // log10(1 + PSI T): nothing at T = 0; at PSI T = 9 the primary settlement.
    s.m.soil.T(1, 1) = s.m.soil.T(1, 2) = 0.0f;
    EXPECT_EQ(s.settle(4), 0.0f);
    s.m.soil.T(1, 1) = s.m.soil.T(1, 2) = 22.5f;
    s.m.soil.ACS = s.m.soil.AP;
    EXPECT_EQ(s.settle(4), both);

    // NEST = 1 counts stratum 1 only; NEST = 0 still counts it.
    s.m.soil.NEST(1) = 1;
    const float first = s.settle(3);
    EXPECT_TRUE(first > 0.0f && first < both);
    s.m.soil.NEST(1) = 0;
    EXPECT_EQ(s.settle(3), first);
}

} // namespace
} // namespace qbtest

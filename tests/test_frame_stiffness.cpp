// Bar element stiffness: textbook terms, end releases, section lookup.
#include <gtest/gtest.h>

#include "frame/stiffness.h"
#include "model_builder.h"

using namespace qbtest;

namespace {
// E = 1000, G = 400, A = 2, Iy = 3, Iz = 5, IRot = 8, L = 2
Mat12 stiffness(int32_t ncnd, float L = 2.0f, std::string* log = nullptr) {
    Outputs out;
    Mat12 K;
    K(12, 1) = 9.0f;   // must be cleared (no code sets it)
    element_stiffness(ncnd, 1000.0f, 400.0f, 2.0f, 3.0f, 5.0f, 8.0f, L, L * L, L * L * L, 0.0f, K, out.trace());
    if (log) *log = Outputs::text(out.log);
    for (int32_t i = 1; i <= 12; ++i)
        for (int32_t k = 1; k <= 12; ++k) EXPECT_EQ(K(i, k), K(k, i)) << ncnd << ": " << i << "," << k;
    return K;
}
} // namespace

TEST(FrameStiffness, FullBarHasTheTextbookTerms) {
    const Mat12 K = stiffness(0);
    // AE/L, 12EIy/L³, -6EIy/L² (θy = -dw/dx), 4EIy/L, 2EIy/L, 12EIz/L³, +6EIz/L², GJ/L
    EXPECT_EQ(K(1, 1), 1000.0f);
    EXPECT_EQ(K(1, 7), -1000.0f);
    EXPECT_EQ(K(3, 3), 4500.0f);
    EXPECT_EQ(K(3, 5), -4500.0f);
    EXPECT_EQ(K(5, 5), 6000.0f);
    EXPECT_EQ(K(5, 11), 3000.0f);
    EXPECT_EQ(K(2, 2), 7500.0f);
    EXPECT_EQ(K(2, 6), 7500.0f);
    EXPECT_EQ(K(4, 10), -1600.0f);
}

TEST(FrameStiffness, HingesMirrorEachOtherAndReleaseTorsion) {
    std::string log;
    const Mat12 K1 = stiffness(1, 2.0f, &log), K2 = stiffness(2);
    EXPECT_EQ(log, " rj=   1600.00000    \n it=   8.00000000    \n rax=   1000.00000    \n"
                   " raay=   4500.00000    \n raby=   4500.00000    \n r11y=   6000.00000    \n"
                   " r12y=   3000.00000    \n rj=   1600.00000    \n raaz=   7500.00000    \n"
                   " rabz=   7500.00000    \n r11z=   10000.0000    \n r12z=   5000.00000    \n"
                   " Articulada en el primer extremo\n");
    // The hinged end has no rotational stiffness; a ball joint releases
    // torsion too, so neither end keeps any.
    for (int32_t k = 1; k <= 12; ++k) {
        for (int32_t r : {4, 5, 6, 10}) EXPECT_EQ(K1(r, k), 0.0f) << r << "," << k;
        for (int32_t r : {4, 10, 11, 12}) EXPECT_EQ(K2(r, k), 0.0f) << r << "," << k;
    }
    EXPECT_EQ(K1(11, 11), 4500.0f);   // 3EIy/L at the far end
    EXPECT_EQ(K1(12, 12), 7500.0f);   // 3EIz/L
    EXPECT_EQ(K1(3, 3), 1125.0f);     // 3EIy/L³
    EXPECT_EQ(K1(7, 1), -1000.0f);
    // mirror x -> L - x: the ends swap, u and the rotations change sign
    const float sign[6] = {-1, 1, 1, -1, -1, -1};
    for (int32_t i = 1; i <= 12; ++i)
        for (int32_t k = 1; k <= 12; ++k)
            EXPECT_EQ(K2(i, k), sign[(i - 1) % 6] * sign[(k - 1) % 6] * K1((i + 5) % 12 + 1, (k + 5) % 12 + 1))
                << i << "," << k;
}

TEST(FrameStiffness, AxialOnlyZeroAndUnknownCases) {
    const Mat12 K3 = stiffness(3);
    for (int32_t i = 1; i <= 12; ++i)
        for (int32_t k = 1; k <= 12; ++k) {
            const bool axial = (i == 1 || i == 7) && (k == 1 || k == 7);
            EXPECT_EQ(K3(i, k), axial ? (i == k ? 1000.0f : -1000.0f) : 0.0f) << i << "," << k;
        }
    for (const Mat12& K : {stiffness(4), stiffness(-1), stiffness(0, 0.0f)})   // zero length: no division
        for (float x : K.v) EXPECT_EQ(x, 0.0f);
}

TEST(FrameStiffness, SectionLookupLastMatchWinsAndUnknownSectionKeepsTheMaterial) {
    ModelBuilder f = frame_members();
    f.material("ACERO", 2.0e7f, 0.3f, 7.8f);
    f.section("S", "ACERO", {.A = 0.5f, .Iy = 0.1f, .Iz = 0.2f, .IRot = 0.3f});      // same name as "S": wins
    f.section("RARA", "MADERA", {.A = 0.7f, .Iy = 0.7f, .Iz = 0.7f, .IRot = 0.7f});  // material not defined
    f.node(0, 0, 0);
    f.node(1, 0, 0);
    f.bar(1, 2);
    f.bar(1, 2, {}, "NINGUNA");
    f.bar(1, 2, {}, "RARA");
    BarSection s;
    lookup_bar_section(f.m, 1, s, Trace());
    EXPECT_EQ(s.A, 0.5f);
    EXPECT_EQ(s.E, 2.0e7f);
    EXPECT_EQ(s.gamma, 7.8f);
    lookup_bar_section(f.m, 2, s, Trace());
    EXPECT_EQ(s.A, 0.0f);
    EXPECT_EQ(s.IRot, 0.0f);
    EXPECT_EQ(s.E, 2.0e7f);
    lookup_bar_section(f.m, 3, s, Trace());
    EXPECT_EQ(s.A, 0.7f);
    EXPECT_EQ(s.E + s.nu + s.gamma, 0.0f);
    EXPECT_EQ(shear_parameter(1, s, 0.0f, 1.0f), 0.0f);   // no shear modulus: no division
}

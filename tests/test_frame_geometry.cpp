// Local axis frames of bars.
#include <gtest/gtest.h>

#include "model_builder.h"

using namespace qbtest;

namespace {
// Rows x, y, z of the local frame of a bar from p to p + d.
std::array<float, 9> frame_of(std::array<float, 3> d, std::string* log = nullptr) {
    ModelBuilder f;
    f.node(1, 2, 3);
    f.node(1 + d[0], 2 + d[1], 3 + d[2]);
    f.bar(1, 2);
    Outputs out;
    f.cosines(out.trace());
    if (log) *log = Outputs::text(out.log);
    std::array<float, 9> r{};
    for (int32_t a = 1; a <= 3; ++a)
        for (int32_t c = 1; c <= 3; ++c) r[size_t(3 * (a - 1) + c - 1)] = f.m.COSDIR(1, a, c);
    return r;
}
} // namespace

TEST(FrameGeometry, DirectionTableObliqueBarsAndCoincidentNodes) {
    struct Case { std::array<float, 3> d; std::array<float, 9> xyz; };
    const Case cases[] = {
        {{4, 0, 0}, {1, 0, 0, 0, 1, 0, 0, 0, 1}},      // +X
        {{-4, 0, 0}, {-1, 0, 0, 0, 1, 0, 0, 0, -1}},   // -X: z = -Z
        {{0, 4, 0}, {0, 1, 0, -1, 0, 0, 0, 0, 1}},     // +Y
        {{0, -4, 0}, {0, -1, 0, -1, 0, 0, 0, 0, -1}},  // -Y: y still towards -X
        {{0, 0, 4}, {0, 0, 1, 0, 1, 0, -1, 0, 0}},     // vertical, drawn upwards
        {{0, 0, -4}, {0, 0, -1, 0, 1, 0, 1, 0, 0}},    // drawn downwards: x from first to second node
        {{4, 0, 3}, {0.8f, 0, 0.6f, 0, 1, 0, -0.6f, 0, 0.8f}},   // in a plane parallel to XZ: y = +Y
        {{4, 3, 0}, {0.8f, 0.6f, 0, -0.6f, 0.8f, 0, 0, 0, 1}},
        {{4, -3, 0}, {0.8f, -0.6f, 0, -0.6f, -0.8f, 0, 0, 0, -1}},  // dy < 0: y towards -X too
        {{0, 0, 0}, {0, 0, 1, 0, 1, 0, -1, 0, 0}},     // coincident nodes: no NaN
    };
    for (const Case& c : cases) {
        const std::array<float, 9> r = frame_of(c.d);
        for (size_t k = 0; k < 9; ++k) EXPECT_NEAR(r[k], c.xyz[k], 1e-6f) << c.d[0] << " " << c.d[1] << " " << c.d[2] << " #" << k;
    }
    std::string log;
    frame_of({5, 0, 0}, &log);
    EXPECT_EQ(log, " Cosenos directores para cada barra\n Barra           1\n"
                   " ij=   5.00000000       0.00000000       0.00000000    \n SOBRE PLANO XZ   0.00000000    \n"
                   " MATRIZ DE COSENOS DIRECTORES DE LA BARRA           1\n"
                   "   1.00000000       0.00000000       0.00000000    \n"
                   "   0.00000000       1.00000000       0.00000000    \n"
                   "   0.00000000       0.00000000       1.00000000    \n");
    frame_of({1, 2, 0}, &log);
    EXPECT_TRUE(contains(log, "\n PLANO DISTINTO A XZ   1.00000000    \n"));
    frame_of({0, 0, -3}, &log);
    EXPECT_TRUE(contains(log, "\n BARRA VERTICAL\n"));
}

// A plan offset of one denormal across metres overflows the third-point
// construction of local y in single precision; the frame stays a finite
// orthonormal one, the bar's own (x along the bar, y horizontal, z up).
TEST(FrameGeometry, ExtremePlanOffsetsGiveAFiniteFrame) {
    for (const float dy : {1e-45f, -1e-45f, 1e-30f}) {
        ModelBuilder f;
        f.node(0, 0, 0);
        f.node(4, dy, 0);
        f.bar(1, 2);
        f.cosines();
        const float s = dy < 0 ? -1.0f : 1.0f;
        const float want[3][3] = {{1, 0, 0}, {0, s, 0}, {0, 0, s}};
        for (int32_t a = 1; a <= 3; ++a)
            for (int32_t c = 1; c <= 3; ++c) EXPECT_NEAR(f.m.COSDIR(1, a, c), want[a - 1][c - 1], 1e-6f) << dy;
    }
}

// Force tables along axes of bars.
#include <gtest/gtest.h>

#include <cstdio>

#include "frame/assembly.h"
#include "frame/bar_forces.h"
#include "frame/diagrams.h"
#include "model_builder.h"
#include "output/frame_report.h"

using namespace qbtest;

namespace {
struct Row { int bar; float s, N, V, M, Vy, Mz; };

// Axes as lists of bars, then the table rows of one case.
std::vector<Row> table(ModelBuilder& f, std::vector<std::vector<int32_t>> axes, int32_t ndiv, int32_t caso,
                       std::string* text = nullptr) {
    Model& m = f.m;
    m.NEJES = static_cast<int32_t>(axes.size());
    m.NDIV = ndiv;
    m.NOMEJE.resize(m.NEJES);
    m.NBEJE.resize(m.NEJES);
    m.BEJE.resize(m.NEJES);
    for (int32_t i = 1; i <= m.NEJES; ++i) {
        m.NOMEJE(i) = Text("EJE " + std::to_string(i));
        m.NBEJE(i) = static_cast<int32_t>(axes[size_t(i - 1)].size());
        m.BEJE.set_count(i, m.NBEJE(i));
        for (int32_t k = 1; k <= m.NBEJE(i); ++k) m.BEJE(i, k) = axes[size_t(i - 1)][size_t(k - 1)];
    }
    Outputs o;
    DiagramReport report(m, o.report);
    axis_diagrams(m, f.st, caso, Trace(), report);
    const std::string rep = Outputs::text(o.report);
    if (text) *text = rep;
    std::vector<Row> out;
    for (size_t p = 0, e; p < rep.size(); p = e + 1) {
        e = rep.find('\n', p);
        Row r{};
        if (e - p == 73 && std::sscanf(rep.c_str() + p, "%d %f %f %f %f %f %f", &r.bar, &r.s, &r.N, &r.V, &r.M, &r.Vy, &r.Mz) == 7)
            out.push_back(r);
    }
    return out;
}

// Foundation bars 1-2-3 (L = 4) on area reactions r = 3, 1, 2; given end forces.
void soil_beam(ModelBuilder& f) {
    for (int32_t n = 0; n < 3; ++n) f.node(4.0f * n, 0, 0, {1, 1, 2, 1, 0, 1}, 1);
    f.bar(1, 2, {1.0f, 0.5f, 0, 1.0f, 0, -0.25f});
    f.bar(2, 3, {1.0f, 0.5f, 0, 1.0f, 0, -0.25f});
    f.assemble();
    f.st.clear(f.m);
    f.st.DESPL(f.m.NTOT + 1) = 3.0f;
    f.st.DESPL(f.m.NTOT + 2) = 1.0f;
    f.st.DESPL(f.m.NTOT + 3) = 2.0f;
    f.st.ELMEC.resize(f.m.NB, 12);
    for (int32_t j = 1; j <= 2; ++j) {
        const float end[6] = {j == 1 ? 5.0f : -5.0f, 0.5f, -1.0f, 0, 0.5f, 0.25f};
        for (int32_t r = 1; r <= 6; ++r) f.st.ELMEC(j, r) = end[r - 1];
    }
}
} // namespace

TEST(FrameDiagrams, ShearAndMomentIntegrateTheLoadAndTheHalfBarReactions) {
    ModelBuilder f = frame_members();
    soil_beam(f);
    const std::vector<Row> r = table(f, {{1}}, 4, 2);
    ASSERT_EQ(r.size(), 5u);
    // q = CVMax + CM + PP + PV = 1.75 down; r1 = 3 (first half), r2 = 1 up
    const double L = 4, q = 1.75, r1 = 3, r2 = 1, V0 = -1, M0 = 0.5;
    for (size_t p = 0; p < 5; ++p) {
        const double x = double(p), e = std::max(0.0, x - L / 2);
        const double up = r1 * std::min(x, L / 2) + r2 * e;
        const double mu = x <= L / 2 ? r1 * x * x / 2 : r1 * (L / 2) * (x - L / 4) + r2 * e * e / 2;
        EXPECT_NEAR(r[p].s, x, 1e-6);
        EXPECT_NEAR(r[p].V, V0 + up - q * x, 1e-3) << p;
        EXPECT_NEAR(r[p].M, M0 + V0 * x + mu - q * x * x / 2, 1e-3) << p;
        EXPECT_NEAR(r[p].Vy, 0.5, 1e-6);
        EXPECT_NEAR(r[p].Mz, 0.25 + 0.5 * x, 1e-6);
    }
}

TEST(FrameDiagrams, AxesListsSoilFlagAndCases) {
    ModelBuilder f = frame_members();
    soil_beam(f);
    std::string rep;
    std::vector<Row> r = table(f, {{1, 2}, {2}, {}}, 2, 3, &rep);
    const char* head = "BARRA     X         Nx'         Vz'         My'         Vy'         Mz'\n";
    EXPECT_EQ(rep.rfind(std::string("\n\nDIAGRAMAS DE ELEMENTOS MECANICOS POR EJE\n EJE 1               \n") + head, 0), 0u);
    EXPECT_TRUE(rep.ends_with(std::string(" EJE 3               \n") + head));   // an empty axis: name and heading
    ASSERT_EQ(r.size(), 9u);   // NDIV = 2: x = 0, L/2, L
    const float s[9] = {0, 2, 4, 4, 6, 8, 0, 2, 4};   // running distance, restarted per axis
    for (size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(r[i].bar, i < 3 ? 1 : 2);
        EXPECT_NEAR(r[i].s, s[i], 1e-6);
        EXPECT_NEAR(r[i].N, -5.0, 1e-6);   // N0 = +5 and -5 alike
        EXPECT_EQ(r[i].M, r[i < 6 ? i : i - 3].M);   // same bar, same forces in both axes
    }
    const std::string case3 = rep;
    table(f, {{1, 2}, {2}, {}}, 2, 4, &rep);
    EXPECT_EQ(rep, case3);   // cases 3 and 4 alike
    // off the soil the reactions are ignored: q = CVMed + CM + PP + PV = 1.25
    f.m.SU(1) = 0;
    r = table(f, {{1}}, 1, 3);
    EXPECT_NEAR(r[1].V, -1.0 - 1.25 * 4, 1e-3);
    EXPECT_NEAR(r[1].M, 0.5 - 4.0 - 1.25 * 8, 1e-3);
    r = table(f, {{1}}, 1, 1);   // expansion: q = -PV
    EXPECT_NEAR(r[1].V, -1.0 - 0.25 * 4, 1e-3);
    // NDIV = 0 is taken as 1; bar numbers outside the model are skipped
    r = table(f, {{1, 99, 0, 2}}, 0, 2);
    ASSERT_EQ(r.size(), 4u);
    EXPECT_NEAR(r[3].s, 8.0, 1e-6);
}

TEST(FrameDiagrams, TablesCloseOnTheRecoveredEndForcesInEveryCase) {
    // at the second node V = -F9 and M = -F11 of the recovered end forces
    ModelBuilder f = frame_members(2.0e6f, 0.2f, 2.4f);
    f.node(0, 0, 0, FIXED);
    f.node(3, 0, 0);
    f.node(6, 0, 0, FIXED);
    f.bar(1, 2, {1.0f, 0.6f, 0, 2.0f, 0, 0.9f});
    f.bar(2, 3, {1.0f, 0.6f, 0, 2.0f, 0, 0.9f});
    f.assemble();
    for (int32_t caso = 1; caso <= 4; ++caso) {
        const Vec1<float>* v[5] = {nullptr, &f.frame.vered[1], &f.frame.vered[2], &f.frame.vered[3], &f.frame.vered[4]};
        f.solve(*v[caso]);
        recover_bar_forces(f.m, f.st, caso, Trace());
        const std::vector<Row> r = table(f, {{1, 2}}, 3, caso);
        ASSERT_EQ(r.size(), 8u);
        for (int32_t j = 1; j <= 2; ++j) {
            EXPECT_NEAR(r[size_t(4 * j - 4)].V, f.st.ELMEC(j, 3), 2e-3) << caso;
            EXPECT_NEAR(r[size_t(4 * j - 1)].V, -f.st.ELMEC(j, 9), 2e-3) << caso;
            EXPECT_NEAR(r[size_t(4 * j - 1)].M, -f.st.ELMEC(j, 11), 2e-3) << caso;
        }
    }
}

// Restraint codes and equation numbering.
#include <gtest/gtest.h>

#include "frame/numbering.h"
#include "model_builder.h"

using namespace qbtest;

namespace {

// `nn` free nodes with the given bars (first node, second node); a bar with
// `on_soil` set joins two nodes on soil profile 1, which makes it a
// foundation bar.
struct Bar { int32_t i, j, on_soil; };

Model make(int32_t nn, std::initializer_list<Bar> bars, std::initializer_list<int32_t> footings = {}) {
    ModelBuilder b;
    for (int32_t n = 1; n <= nn; ++n) {
        bool soil = false;
        for (const Bar& d : bars) soil = soil || (d.on_soil && (d.i == n || d.j == n));
        b.node(0, 0, 0, FREE, soil ? 1 : 0);
    }
    for (const Bar& d : bars) b.bar(d.i, d.j);
    for (int32_t n : footings) b.footing(n, 1.0f, 1.0f);
    return std::move(b.m);
}

std::string run(Model& m) {
    Outputs out;
    number_dofs(m, out.trace());
    return Outputs::text(out.log);
}

TEST(Numbering, FirstNodeFixedGivesSixEquations) {
    Model m = make(2, {{1, 2, 0}});
    for (int k = 1; k <= 6; ++k) m.NRES(1, k) = 1;
    run(m);
    for (int g = 1; g <= 6; ++g) EXPECT_EQ(m.NGL(g), 0);
    for (int g = 7; g <= 12; ++g) EXPECT_EQ(m.NGL(g), g - 6);
    EXPECT_EQ(m.NGRED, 6);
    EXPECT_EQ(m.NFIXED, 6);
}

TEST(Numbering, UnconnectedNodeIsFixedEvenWithAFooting) {
    Model m = make(3, {{1, 2, 0}}, {3});
    run(m);
    for (int k = 1; k <= 6; ++k) EXPECT_EQ(m.NRES(3, k), 1);
    EXPECT_EQ(m.MR, 0);
    EXPECT_EQ(m.NGRED, 12);
}

TEST(Numbering, FoundationBarsMakeAreaReactionsOnceAndRespectFixedDz) {
    Model m = make(3, {{1, 2, 1}, {2, 3, 1}});
    m.NRES(3, 3) = 1;   // DZ fixed: stays fixed, no message
    const std::string log = run(m);
    EXPECT_EQ(m.NRES(1, 3), 2);
    EXPECT_EQ(m.NRES(2, 3), 2);
    EXPECT_EQ(m.NRES(3, 3), 1);
    ASSERT_EQ(m.NR, 2);
    EXPECT_EQ(m.NREAC(1), 3);
    EXPECT_EQ(m.NREAC(2), 9);
    // node 2 is shared by both bars: changed and logged once
    size_t count = 0, pos = 0;
    while ((pos = log.find("cambiando la restriccion al nodo", pos)) != std::string::npos) { ++count; ++pos; }
    EXPECT_EQ(count, 2u);
    EXPECT_NE(log.find(" cambiando la restriccion al nodo           2           2\n"), std::string::npos);
    // reaction dofs keep their equation numbers
    EXPECT_EQ(m.NGL(3), 3);
    EXPECT_EQ(m.NGRED, 17);
}

TEST(Numbering, FootingOnAFoundationBarEnd) {
    Model m = make(2, {{1, 2, 1}}, {2});
    m.NRES(2, 4) = 1;
    run(m);
    EXPECT_EQ(m.NRES(2, 3), 2);
    EXPECT_EQ(m.NRES(2, 4), 1);
    ASSERT_EQ(m.MR, 4);   // DX DY MY MZ of node 2
    EXPECT_EQ(m.NREACNOD(1), 7);
    EXPECT_EQ(m.NREACNOD(2), 8);
    EXPECT_EQ(m.NREACNOD(3), 11);
    EXPECT_EQ(m.NREACNOD(4), 12);
    EXPECT_EQ(m.NR, 2);
}

TEST(Numbering, CodeTwoOffDzIsFreeAndCentralReaction) {
    Model m = make(2, {{1, 2, 0}});
    m.NRES(1, 1) = 2;
    run(m);
    EXPECT_EQ(m.NR, 0);
    EXPECT_EQ(m.NRCENT, 1);
    EXPECT_EQ(m.NGL(1), 1);
    EXPECT_EQ(m.NGRED, 12);

    Model five = make(5, {{1, 2, 1}, {2, 3, 1}, {3, 4, 1}, {4, 5, 1}});
    run(five);
    EXPECT_EQ(five.NR, 5);
    EXPECT_EQ(five.NRCENT, 3);
}

TEST(Numbering, NothingFreeGivesNoEquations) {
    Model m = make(2, {{1, 2, 0}});
    for (int n = 1; n <= 2; ++n)
        for (int k = 1; k <= 6; ++k) m.NRES(n, k) = 1;
    run(m);
    EXPECT_EQ(m.NGRED, 0);
}

} // namespace

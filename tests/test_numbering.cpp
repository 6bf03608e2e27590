// Restraint codes and equation numbering.
#include <gtest/gtest.h>

#include "frame/numbering.h"

using namespace qb;

namespace {

// A model of `nn` nodes, all free, with the given bars (first node, second
// node, foundation flag).
struct Bar { int32_t i, j, su; };

Model make(int32_t nn, std::initializer_list<Bar> bars) {
    Model m;
    m.NN = nn;
    m.NTOT = 6 * nn;
    m.NRES.resize(nn, 6);
    m.connected.resize(nn);
    m.NB = static_cast<int32_t>(bars.size());
    m.PI.resize(m.NB);
    m.PJ.resize(m.NB);
    m.SU.resize(m.NB);
    int32_t k = 0;
    for (const Bar& b : bars) {
        ++k;
        m.PI(k) = b.i;
        m.PJ(k) = b.j;
        m.SU(k) = b.su;
        m.connected(b.i) = 1;
        m.connected(b.j) = 1;
    }
    return m;
}

void footings(Model& m, std::initializer_list<int32_t> nodes) {
    m.NZAP = static_cast<int32_t>(nodes.size());
    m.NODOZ.resize(m.NZAP);
    int32_t k = 0;
    for (int32_t n : nodes) m.NODOZ(++k) = n;
}

std::string run(Model& m) {
    Io io;
    io.log.attach_buffer();
    number_dofs(m, io);
    io.log.flush();
    return io.log.memory();
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
    Model m = make(3, {{1, 2, 0}});
    footings(m, {3});
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
    Model m = make(2, {{1, 2, 1}});
    footings(m, {2});
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

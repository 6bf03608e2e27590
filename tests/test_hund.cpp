// Linear interaction solution: coupled system, settlements, moduli, the
// report sections, the GiD values block and the trace bounds.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model_builder.h"
#include "output/solution_report.h"
#include "solver/gaussj.h"
#include "solver/hund.h"

namespace qb {
namespace {

std::vector<std::string> lines_of(const std::string& s) {
    std::vector<std::string> v;
    std::istringstream in(s);
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
}

// Nodes with the given restraint codes, numbered; akr sized for the coupled
// system and left for the test to fill, FLEX sized to the reactions.
struct Case {
    qbtest::ModelBuilder b;
    Model& m = b.m;
    FrameSystem& sys = b.frame;
    CaseState& st = b.st;
    qbtest::Outputs out;
    void frame(const std::vector<qbtest::Codes>& nodes) {
        for (const qbtest::Codes& c : nodes) b.node(0, 0, 0, c);
        b.number();
        sys.akr.resize(m.NGRED, m.NR + m.MR);
        st.clear(m);
    }
    void run(const Vec1<float>& vered) {
        HUND(m, sys, st, vered, out.trace());
        report_linear_solution(m, st, out.report, out.res);
    }
    std::vector<std::string> report() { return qbtest::Outputs::lines(out.report); }
    std::vector<std::string> log() { return qbtest::Outputs::lines(out.log); }
    std::vector<std::string> res() { return qbtest::Outputs::lines(out.res); }
};

// A node whose one free dof, DZ, carries an area reaction or a nodal one.
constexpr qbtest::Codes AREA_DZ{1, 1, 2, 1, 1, 1}, NODAL_DZ{1, 1, 3, 1, 1, 1};

size_t find_line(const std::vector<std::string>& v, const std::string& l, size_t from = 0) {
    for (size_t i = from; i < v.size(); ++i)
        if (v[i] == l) return i;
    return std::string::npos;
}

TEST(Hund, FrameAloneSolvesLoadsLessMemberLoads) {
    // Two nodes; node 1 fixed, node 2 free in DX and DZ only.
    Case r;
    r.frame({qbtest::FIXED, {0, 1, 0, 1, 1, 1}});
    r.sys.akr.set(1, 1, 4.0f);
    r.sys.akr.set(2, 2, 2.0f);
    r.m.PCONC(1) = 8.0f;
    r.m.PCONC(2) = -3.0f;
    Vec1<float> vered(2);
    vered(2) = 1.0f;
    r.run(vered);

    ASSERT_EQ(r.st.DESPL.size(), 12);
    EXPECT_EQ(r.st.DESPL(7), 2.0f);    // 8 / 4
    EXPECT_EQ(r.st.DESPL(9), -2.0f);   // (-3 - 1) / 2
    for (int32_t g : {1, 2, 3, 4, 5, 6, 8, 10, 11, 12}) EXPECT_EQ(r.st.DESPL(g), 0.0f) << g;
    EXPECT_EQ(r.st.HUNDIM.size(), 0);

    const std::vector<std::string> expected = {
        " REACCIONES ESTIMADAS:t/m ",
        "",
        "",
        "NUDO, HUNDIMIENTO DEL NUDO",
        "                   m   ",
        " M\xD3" "DULOS DE REACCI\xD3" "N:t/m ",
        " Desplazamientos,m   , y giros por nodo",
        "   nodo    dx          dy          dz          tx          ty          tz",
        "     1    0.000000    0.000000    0.000000    0.000000    0.000000    0.000000",
        "     2    2.000000    0.000000   -2.000000    0.000000    0.000000    0.000000",
    };
    EXPECT_EQ(r.report(), expected);
    const std::vector<std::string> res = {
        "ComponentNames \"X\",\"Y\",\"Z\",\"|Modulo|\"",
        "values",
        "     1    0.000000    0.000000    0.000000",
        "     2    2.000000    0.000000   -2.000000",
        "end values",
        "",
    };
    EXPECT_EQ(r.res(), res);

    const auto log = r.log();
    const size_t b = find_line(log, " FORMACION DE B");
    ASSERT_NE(b, std::string::npos);
    EXPECT_EQ(log[b + 1], "    1    0.000000    8.000000    8.000000");
    EXPECT_EQ(log[b + 2], "    2    1.000000   -3.000000   -4.000000");
    EXPECT_TRUE(qbtest::Outputs::text(r.out.console).empty());
}

// One vertical spring-like reaction under a node of stiffness k = 2:
//   k d - R = P,  d + f R = 0   ->   R = P / (-1 - k f),  d = -f R.
void one_spring(Case& r, float f, float P) {
    r.frame({AREA_DZ});
    r.sys.akr.set(1, 1, 2.0f);
    r.sys.akr.set(1, 2, -1.0f);   // the reaction pushes the node up
    r.st.FLEX(1, 1) = f;
    r.m.PCONC(1) = P;
    r.m.LONGREAC(3) = 2.0f;
    r.run(Vec1<float>(1));
}

TEST(Hund, ReactionSettlementFollowsTheFlexibility) {
    Case r;
    one_spring(r, 0.5f, -10.0f);
    const float R = r.st.DESPL(7);
    EXPECT_FLOAT_EQ(R, 5.0f);
    EXPECT_FLOAT_EQ(r.st.DESPL(3), -2.5f);
    EXPECT_EQ(r.st.HUNDIM(1), 0.0f - 0.5f * R);   // -FLEX R
    const auto rep = r.report();
    ASSERT_GE(rep.size(), 10u);
    EXPECT_EQ(rep[1], "           1   5.00000000    ");
    EXPECT_EQ(rep[6], "    1  -2.50000");
    EXPECT_EQ(rep[8], "           1   4.00000000    ");   // |R L / settlement| = 5*2/2.5

    const auto log = r.log();
    const size_t k = find_line(log, " M\xD3" "DULOS DE REACCI\xD3" "N:t/m ");
    ASSERT_NE(k, std::string::npos);
    EXPECT_EQ(log[k + 1], " REAC=   5.00000000    ");
    EXPECT_EQ(log[k + 2], " LR=   2.00000000    ");
    EXPECT_EQ(log[k + 3], " DESP  -2.50000000    ");
    const size_t h = find_line(log, "GRADO DE LIBERTAD, REACCION      t/m  HASTA N=    1    ,  Y GIROS (rad) LOS SIGUIENTES ");
    ASSERT_NE(h, std::string::npos);
    EXPECT_EQ(log[h - 1], "");
    EXPECT_EQ(log[h + 1], "");

    // No soil flexibility: the node cannot settle, the modulus is not finite
    // and is printed as such. The settlement is the negated sum of zeros.
    Case rigid;
    one_spring(rigid, 0.0f, -4.0f);
    EXPECT_FLOAT_EQ(rigid.st.DESPL(7), 4.0f);
    EXPECT_EQ(rigid.report()[6], "    1  -0.00000");
    EXPECT_EQ(rigid.report()[8], "           1         Infinity");
}

TEST(Hund, CrossFlexibilitiesEnterSettlementsOnly) {
    // One area and one nodal reaction on two separate springs.
    auto solve = [](float cross) {
        Case r;
        r.frame({AREA_DZ, NODAL_DZ});   // reactions on dofs 3 and 9
        r.sys.akr.set(1, 1, 3.0f);
        r.sys.akr.set(2, 2, 5.0f);
        r.sys.akr.set(1, 3, -1.0f);
        r.sys.akr.set(2, 4, -1.0f);
        r.st.FLEX(1, 1) = 0.25f;
        r.st.FLEX(2, 2) = 0.75f;
        r.st.FLEX(1, 2) = cross;
        r.st.FLEX(2, 1) = cross;
        r.m.PCONC(1) = -7.0f;
        r.m.PCONC(2) = -2.0f;
        r.m.LONGREAC(3) = 1.0f;
        r.run(Vec1<float>(2));
        return r.st;
    };
    const CaseState plain = solve(0.0f), coupled = solve(0.125f);
    for (int32_t g = 1; g <= 14; ++g) EXPECT_EQ(plain.DESPL(g), coupled.DESPL(g)) << g;
    const float R1 = coupled.DESPL(13), R2 = coupled.DESPL(14);
    EXPECT_EQ(coupled.HUNDIM(1), (0.0f - 0.25f * R1) - 0.125f * R2);
    EXPECT_EQ(coupled.HUNDIM(2), (0.0f - 0.125f * R1) - 0.75f * R2);
    EXPECT_NE(coupled.HUNDIM(1), plain.HUNDIM(1));
}

TEST(Hund, SingularSystemStopsBeforeTheReport) {
    Case r;
    r.frame({{1, 1, 0, 1, 0, 1}});   // DZ and MY free, no stiffness at all
    r.m.PCONC(1) = 1.0f;
    try {
        r.run(Vec1<float>(2));
        ADD_FAILURE() << "no SingularMatrix";
    } catch (const SingularMatrix& e) {
        EXPECT_STREQ(e.what(), "singular matrix in gaussj");   // the line the run prints
    }
    EXPECT_TRUE(r.report().empty());
    EXPECT_TRUE(r.res().empty());
    EXPECT_NE(find_line(r.log(), " FORMACION DE CR TOTAL"), std::string::npos);
}

// Matrices are traced only up to order 200 (2000 for the final one).
TEST(Hund, MatrixTraceBounds) {
    struct Rows { int32_t flex, akr, cr, corr, ais, total; };
    auto trace = [](int32_t ngred, int32_t nr) {
        // nr area reactions, then one nodal reaction and free dofs up to
        // ngred equations, six to a node
        Case r;
        std::vector<qbtest::Codes> nodes(size_t(nr), AREA_DZ);
        for (int32_t k = 0; k < ngred - nr; k += 6) {
            qbtest::Codes c = qbtest::FIXED;
            for (int32_t i = 0; i < 6 && k + i < ngred - nr; ++i) c[size_t(i)] = k + i == 0 ? 3 : 0;
            nodes.push_back(c);
        }
        r.frame(nodes);
        EXPECT_EQ(r.m.NGRED + r.m.NR + r.m.MR, ngred + nr + 1);
        for (int32_t i = 1; i <= ngred; ++i) r.sys.akr.set(i, i, 1.0f);
        for (int32_t j = 1; j <= nr + 1; ++j) {
            const int32_t g = j <= nr ? r.m.NREAC(j) : r.m.NREACNOD(1);
            r.sys.akr.set(r.m.NGL(g), ngred + j, -1.0f);   // each reaction acts on its own dof
            r.st.FLEX(j, j) = 1.0f;
        }
        r.run(Vec1<float>(ngred));
        const auto log = r.log();
        // matrix rows follow a heading up to the next free-format text line
        auto rows_after = [&](const std::string& head, size_t skip = 0) {
            const size_t h = find_line(log, head);
            EXPECT_NE(h, std::string::npos) << head;
            size_t k = h + 1 + skip;
            while (k < log.size() && !(log[k].size() > 1 && log[k][0] == ' ' && std::isalpha(log[k][1]))) ++k;
            return static_cast<int32_t>(k - h - 1 - skip);
        };
        return Rows{rows_after(" MATRIZ DE FLEXIBILIDADES", 1), rows_after(" matriz akr"), rows_after(" Matriz Cr"),
                    rows_after(" Matriz Cr + FLEXIBILIDADES-Zap Corr", 1),
                    rows_after(" Matriz Cr + FLEXIBILIDADES-Zap Corr-Aisladas"), rows_after(" FORMACION DE CR TOTAL")};
    };
    // n = 201 with NGRED + NR = 200: only the area-reaction stage and the final matrix
    Rows c = trace(190, 10);
    EXPECT_EQ((std::vector<int32_t>{c.flex, c.akr, c.cr, c.corr, c.ais, c.total}),
              (std::vector<int32_t>{11, 0, 0, 200, 0, 201}));
    c = trace(189, 10);   // n = 200: everything
    EXPECT_EQ((std::vector<int32_t>{c.flex, c.akr, c.cr, c.corr, c.ais, c.total}),
              (std::vector<int32_t>{11, 200, 200, 199, 200, 200}));
    c = trace(202, 201);  // NR > 200: no flexibility matrix, whatever MR is
    EXPECT_EQ((std::vector<int32_t>{c.flex, c.akr, c.cr, c.corr, c.ais, c.total}),
              (std::vector<int32_t>{0, 0, 0, 0, 0, 404}));
}

// `got` must stand in `ref` from line `at` on; returns the line after it.
size_t expect_lines_at(const std::vector<std::string>& got, const std::vector<std::string>& ref, size_t at,
                       const std::string& what) {
    EXPECT_LE(at + got.size(), ref.size()) << what;
    for (size_t i = 0; i < got.size() && at + i < ref.size(); ++i)
        if (got[i] != ref[at + i]) {
            ADD_FAILURE() << what << " line " << i << ":\n  got " << got[i] << "\n  ref " << ref[at + i];
            break;
        }
    return at + got.size();
}

// Byte-for-byte comparison with the reference outputs of the strip-footing
// frame example, its four linear cases, rebuilding HUND's inputs from the
// 9-digit listings of its trace.
TEST(Hund, MatchesReferenceOutputsOfTheStripFootingFrame) {
    // the golden outputs of the example (the reference outputs, kept in the repository)
    const std::string dir = std::string(QB_SOURCE_DIR) + "/tests/golden/marco_zapatas/";
    auto slurp = [&](const char* name) {
        std::ifstream f(dir + name, std::ios::binary);
        std::ostringstream s;
        s << f.rdbuf();
        return lines_of(s.str());
    };
    const auto mem = slurp("MEMORIA"), rep = slurp("resultados.txt"), res = slurp("arch.res");
    ASSERT_FALSE(mem.empty() || rep.empty() || res.empty()) << "golden outputs missing in " << dir;

    size_t at_mem = 0, at_rep = 0, at_res = 0;
    for (int c = 1; c <= 4; ++c) {
        Case r;
        const qbtest::Codes footing{1, 1, 2, 1, 0, 1}, upper{0, 1, 0, 1, 0, 1};
        r.frame({footing, footing, footing, upper, upper, upper});
        r.m.LONGREAC(3) = r.m.LONGREAC(15) = 2.5f;
        r.m.LONGREAC(9) = 5.0f;
        const size_t call = find_line(mem, " DENTRO DE HUND", at_mem);
        ASSERT_NE(call, std::string::npos) << "case " << c;
        auto read_row = [&](size_t line, auto&... v) {
            std::istringstream row(mem[line]);
            (row >> ... >> v);
        };
        size_t f = call;   // FLEX of the case, listed just before the call
        while (mem[f] != " MATRIZ DE FLEXIBILIDADES") --f;
        for (int32_t i = 1; i <= 3; ++i) read_row(f + i, r.st.FLEX(i, 1), r.st.FLEX(i, 2), r.st.FLEX(i, 3));
        // akr: equilibrium rows of the final coupled matrix (8 decimals hold these values exactly)
        const size_t t = find_line(mem, " FORMACION DE CR TOTAL", call);
        for (int32_t i = 1; i <= r.m.NGRED; ++i) {
            std::istringstream row(mem[t + static_cast<size_t>(i)]);
            for (int32_t j = 1; j <= 18; ++j) {
                float v = 0.0f;
                row >> v;
                r.sys.akr.set(i, j, v);
            }
        }
        Vec1<float> vered(r.m.NGRED);
        const size_t v = find_line(mem, " VECTOR DE CARGAS REDUCIDO, vered" + std::to_string(c));
        const size_t bl = find_line(mem, " FORMACION DE B", call);
        for (int32_t i = 1; i <= r.m.NGRED; ++i) {
            int32_t k;
            float ignored;
            read_row(v + i, vered(i));
            read_row(bl + i, k, ignored, r.m.PCONC(i));
        }
        r.run(vered);

        const std::string what = "case " + std::to_string(c);
        at_mem = expect_lines_at(r.log(), mem, call - 4, what + " trace");
        at_rep = expect_lines_at(r.report(), rep, find_line(rep, " REACCIONES ESTIMADAS:t/m ", at_rep), what + " report");
        at_res = expect_lines_at(r.res(), res, find_line(res, "values", at_res) - 1, what + " arch.res");
    }
}

} // namespace
} // namespace qb

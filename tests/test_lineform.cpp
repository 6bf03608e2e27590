// Line forms: fixed edit descriptors and free-format lines, checked against
// known strings and, where gfortran is installed, against its own output for
// the same values and descriptors.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "textio/lineform.h"

using namespace qb;

namespace {

std::string I(int32_t v, int w) { std::string s; put_I(s, v, w); return s; }
std::string F(float v, int w, int d) { std::string s; put_F(s, v, w, d); return s; }
std::string E(float v, int w, int d) { std::string s; put_E(s, v, w, d); return s; }
std::string LR(float v) { std::string s; put_list_real(s, v); return s; }

TEST(FixedForms, IntegersRightAlignedWithAsterisksOnOverflow) {
    EXPECT_EQ(I(27, 5), "   27");
    EXPECT_EQ(I(-12, 5), "  -12");
    EXPECT_EQ(I(-99, 3), "-99");
    EXPECT_EQ(I(100, 2), "**");
    EXPECT_EQ(I(0, 1), "0");
}

TEST(FixedForms, FixedPointRoundingSignsAndOverflow) {
    EXPECT_EQ(F(-10.0f, 10, 2), "    -10.00");
    EXPECT_EQ(F(0.125f, 5, 2), " 0.12");        // tie on the exact binary value: to even
    EXPECT_EQ(F(0.375f, 5, 2), " 0.38");
    EXPECT_EQ(F(-0.00001f, 10, 4), "   -0.0000");  // the minus stays on a value that rounds to zero
    EXPECT_EQ(F(-0.0f, 10, 2), "     -0.00");
    EXPECT_EQ(F(0.5f, 4, 3), ".500");           // the leading zero goes when the field is full
    EXPECT_EQ(F(-0.5f, 5, 3), "-.500");
    EXPECT_EQ(F(2.5f, 6, 0), "    2.");
    EXPECT_EQ(F(12345.0f, 6, 2), "******");
    EXPECT_EQ(F(1.0f / 3.0f, 10, 4), "    0.3333");
}

TEST(FixedForms, ExponentForm) {
    EXPECT_EQ(E(1.5e-3f, 10, 2), "  0.15E-02");
    EXPECT_EQ(E(0.0f, 10, 3), " 0.000E+00");
    EXPECT_EQ(E(-0.0f, 10, 2), " -0.00E+00");
    EXPECT_EQ(E(1e30f, 9, 2), " 0.10E+31");
    EXPECT_EQ(E(-1.5e-20f, 12, 4), " -0.1500E-19");
}

TEST(FixedForms, NonFiniteValues) {
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(F(inf, 12, 6), "    Infinity");
    EXPECT_EQ(F(-inf, 12, 6), "   -Infinity");
    EXPECT_EQ(F(std::nanf(""), 10, 2), "       NaN");
    EXPECT_EQ(LR(inf), "        Infinity");
}

TEST(FixedForms, TextFieldsCountLatin1Bytes) {
    std::string s;
    put_A(s, latin1("SECCIÓN"), 10);
    EXPECT_EQ(s, "   SECCI\xD3N");
    s.clear();
    put_A(s, "abcdefg", 5);
    EXPECT_EQ(s, "abcde");
}

TEST(FreeFormat, LayoutOfItems) {
    Channel ch;
    ch.attach_buffer();
    List(ch) << "n=" << int32_t{3} << "m=" << int32_t{0};
    List(ch) << "REACCIONES ESTIMADAS:" << "t/m ";
    List(ch) << int32_t{1} << 0.604727507f;
    List(ch) << 12.0f << -1.6f << 1.0e-5f << 0.0f << -0.0f << 1.0e8f;
    List{ch};
    ch.flush();
    EXPECT_EQ(ch.memory(),
              " n=           3 m=           0\n"
              " REACCIONES ESTIMADAS:t/m \n"
              "           1  0.604727507    \n"
              "   12.0000000      -1.60000002       9.99999975E-06   0.00000000      -0.00000000       "
              "100000000.    \n"
              "\n");
}

TEST(FixedLines, TrailingBlanksOfXAreNotWritten) {
    Channel ch;
    ch.attach_buffer();
    Rec(ch).text("t   ").X(2).text("m   ").X(2);
    Rec(ch).X(3).text("No").X(6).text("P");
    Rec(ch).text(" ");
    ch.flush();
    EXPECT_EQ(ch.memory(), "t     m   \n   No      P\n \n");
}

// ---- comparison with gfortran --------------------------------------------------

bool have_gfortran() { return std::system("gfortran --version >/dev/null 2>&1") == 0; }

std::string run_fortran(const std::string& program) {
    const std::string dir = ::testing::TempDir() + "qb_lineform_ref";
    std::system(("mkdir -p " + dir).c_str());
    {
        std::ofstream f(dir + "/ref.f90");
        f << program;
    }
    const std::string cmd = "cd " + dir + " && gfortran -ffree-line-length-none -o ref ref.f90 2>err.txt && ./ref > out.txt";
    if (std::system(cmd.c_str()) != 0) return "";
    std::ifstream in(dir + "/out.txt");
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<float> sample_values() {
    std::vector<float> v = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 0.125f, 0.375f, 2.5f, -2.5f, 9.99999f, 99.995f,
                            0.1f, 0.099999f, 1e-5f, 123456789.0f, 1e8f, 999999999.0f, 1e9f, 1e-30f, 3.4e38f,
                            -0.004f, 0.0049999f, 1.0f / 3.0f, 2213594.0f, 1.60000002f, 0.604727507f,
                            5e-8f, -7.5e-6f, 65504.0f, 4.5e15f};
    std::mt19937 gen(12345);
    std::uniform_real_distribution<float> mant(-10.0f, 10.0f);
    std::uniform_int_distribution<int> ex(-12, 12);
    for (int i = 0; i < 200; ++i) v.push_back(mant(gen) * std::pow(10.0f, static_cast<float>(ex(gen))));
    // exact binary ties of the fixed forms (k/2^n), and arbitrary bit patterns
    std::uniform_int_distribution<int> k(-40000, 40000), sh(1, 12);
    for (int i = 0; i < 200; ++i) v.push_back(std::ldexp(static_cast<float>(k(gen)), -sh(gen)));
    std::uniform_int_distribution<uint32_t> bits(0u, 0x7f7fffffu);
    for (int i = 0; i < 200; ++i) {
        uint32_t b = bits(gen) | (i % 2 ? 0x80000000u : 0u);
        float f;
        std::memcpy(&f, &b, 4);
        v.push_back(f);
    }
    return v;
}

TEST(AgainstGfortran, FixedAndExponentAndFreeForms) {
    if (!have_gfortran()) GTEST_SKIP() << "gfortran is not installed";
    const std::vector<float> vals = sample_values();
    struct D { char kind; int w, d; };
    const std::vector<D> descs = {{'F', 10, 4}, {'F', 12, 6}, {'F', 15, 8}, {'F', 8, 2}, {'F', 5, 2},
                                  {'F', 20, 8}, {'F', 13, 2}, {'F', 6, 0}, {'E', 10, 2}, {'E', 14, 5}};
    std::ostringstream prog;
    prog << "program ref\nimplicit none\nreal :: x(" << vals.size() << ")\ninteger :: i\n";
    for (size_t i = 0; i < vals.size(); ++i) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%a", static_cast<double>(vals[i]));
        // transfer exact bits through an integer
        uint32_t bits;
        std::memcpy(&bits, &vals[i], 4);
        prog << "x(" << i + 1 << ") = transfer(int(z'" << std::hex << bits << std::dec << "', 4), 1.0)\n";
    }
    prog << "do i = 1, size(x)\n";
    for (const D& d : descs)
        prog << "write(*,'(" << d.kind << d.w << "." << d.d << ")') x(i)\n";
    prog << "print *, x(i)\n";
    prog << "print *, 'a', i, x(i), 'b', 'c'\n";
    prog << "end do\n";
    prog << "write(*,'(I5)') 12345\nwrite(*,'(I3)') -100\nwrite(*,'(I12)') -2147483647\n";
    prog << "end program\n";
    const std::string want = run_fortran(prog.str());
    ASSERT_FALSE(want.empty()) << "gfortran reference did not run";

    Channel ch;
    ch.attach_buffer();
    for (size_t i = 0; i < vals.size(); ++i) {
        for (const D& d : descs) {
            if (d.kind == 'F') Rec(ch).F(vals[i], d.w, d.d);
            else Rec(ch).E(vals[i], d.w, d.d);
        }
        List(ch) << vals[i];
        List(ch) << "a" << static_cast<int32_t>(i + 1) << vals[i] << "b" << "c";
    }
    Rec(ch).I(12345, 5);
    Rec(ch).I(-100, 3);
    Rec(ch).I(-2147483647, 12);
    ch.flush();

    std::istringstream a(ch.memory()), b(want);
    std::string la, lb;
    int line = 0;
    while (std::getline(b, lb)) {
        ++line;
        ASSERT_TRUE(static_cast<bool>(std::getline(a, la))) << "missing line " << line;
        EXPECT_EQ(la, lb) << "line " << line;
    }
}

} // namespace

// Line forms: fixed edit descriptors and free-format lines, checked against
// known strings and, where gfortran is installed, against its own output for
// the same values and descriptors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <type_traits>
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
    // more digits than any buffer on the stack
    EXPECT_EQ(F(-2.5f, 600, 560), std::string(37, ' ') + "-2.5" + std::string(559, '0'));
}

TEST(FixedForms, ExponentForm) {
    EXPECT_EQ(E(1.5e-3f, 10, 2), "  0.15E-02");
    EXPECT_EQ(E(0.0f, 10, 3), " 0.000E+00");
    EXPECT_EQ(E(-0.0f, 10, 2), " -0.00E+00");
    EXPECT_EQ(E(1e30f, 9, 2), " 0.10E+31");
    EXPECT_EQ(E(-1.5e-20f, 12, 4), " -0.1500E-19");
    EXPECT_EQ(E(1.5f, 80, 70), "    0.15" + std::string(68, '0') + "E+01");   // more digits than a small buffer
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
    // one folder per test: ctest runs the gfortran comparisons side by side
    const std::string dir = ::testing::TempDir() + "qb_lineform_ref_" +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name();
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

// Writes `vals` in every descriptor, as a list-directed item alone and
// between texts and an integer, both through gfortran (REAL of kind 4 or 8,
// exact bits) and through the line forms, and compares the lines.
template <class Real>
void compare_with_gfortran(const std::vector<Real>& vals) {
    using Bits = std::conditional_t<sizeof(Real) == 4, uint32_t, uint64_t>;
    struct D { char kind; int w, d; };
    // the program's own descriptors, and narrow ones: the leading-zero drop,
    // no decimals, "Inf" where "Infinity" does not fit
    const std::vector<D> descs = {{'F', 10, 4}, {'F', 12, 6}, {'F', 15, 8}, {'F', 8, 2}, {'F', 5, 2},
                                  {'F', 20, 8}, {'F', 13, 2}, {'F', 6, 0},  {'E', 10, 2}, {'E', 14, 5},
                                  {'E', 8, 1}};
    std::ostringstream prog;
    prog << "program ref\nimplicit none\nreal(" << sizeof(Real) << ") :: x(" << vals.size() << ")\ninteger :: i\n";
    for (size_t i = 0; i < vals.size(); ++i) {
        Bits bits;
        std::memcpy(&bits, &vals[i], sizeof bits);
        prog << "x(" << i + 1 << ") = transfer(int(z'" << std::hex << bits << std::dec << "', " << sizeof bits
             << "), 1.0_" << sizeof(Real) << ")\n";
    }
    prog << "do i = 1, size(x)\n";
    for (const D& d : descs) prog << "write(*,'(" << d.kind << d.w << "." << d.d << ")') x(i)\n";
    prog << "print *, x(i)\nprint *, 'a', i, x(i), x(i), 'b', 'c'\nend do\n";
    prog << "write(*,'(I5)') 12345\nwrite(*,'(I3)') -100\nwrite(*,'(I12)') -2147483647\nend program\n";
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
        List(ch) << "a" << static_cast<int32_t>(i + 1) << vals[i] << vals[i] << "b" << "c";
    }
    Rec(ch).I(12345, 5);
    Rec(ch).I(-100, 3);
    Rec(ch).I(-2147483647, 12);
    ch.flush();
    std::istringstream a(ch.memory()), b(want);
    std::string la, lb;
    for (int line = 1; std::getline(b, lb); ++line) {
        ASSERT_TRUE(static_cast<bool>(std::getline(a, la))) << "missing line " << line;
        EXPECT_EQ(la, lb) << "line " << line;
    }
}

TEST(AgainstGfortran, FixedAndExponentAndFreeForms) {
    if (!have_gfortran()) GTEST_SKIP() << "gfortran is not installed";
    std::vector<float> vals = sample_values();
    vals.insert(vals.end(), {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                             std::numeric_limits<float>::quiet_NaN()});
    compare_with_gfortran(vals);
}

TEST(AgainstGfortran, DoublePrecisionFixedExponentAndFreeForms) {
    // The forms of the double-precision arithmetic (17 significant digits in
    // a list-directed item of 25 columns), through their fast and their plain
    // paths: the second are taken by values beyond 10^17 or below 10^-16 and
    // by fields the word layout does not take.
    if (!have_gfortran()) GTEST_SKIP() << "gfortran is not installed";
    std::vector<double> vals = {0.0, -0.0, 1.0, -123.456, 0.1, 0.09999999999999999, 1e16, 9.999999999999998e15,
                                1e17, 1e-5, 1e-300, 5e-324, 1.0 / 3.0, 2213594.0, 0.125, 0.375, 9.9999999999999995,
                                3.0, 123456789.0, 2.5, -2.5, std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()};
    std::mt19937_64 gen(777);
    std::uniform_int_distribution<int64_t> k(-4000000, 4000000);
    std::uniform_int_distribution<int> sh(1, 20);
    for (int i = 0; i < 100; ++i) vals.push_back(std::ldexp(static_cast<double>(k(gen)), -sh(gen)));   // ties
    std::uniform_int_distribution<uint64_t> bits(0u, 0x7fefffffffffffffull);
    for (int i = 0; i < 100; ++i) {
        const uint64_t b = bits(gen) | (i % 2 ? 0x8000000000000000ull : 0u);
        double d;
        std::memcpy(&d, &b, 8);
        vals.push_back(d);
    }
    compare_with_gfortran(vals);
}

// ---- comparison with a plain reference on many values ----------------------------
// The reference works on the exact decimal expansion of the value (a float has
// at most 149 decimals) and rounds it half to even by hand.

struct Decimal {
    std::string digits;   // integer digits (no leading zeros) then 160 decimals
    size_t whole = 0;     // how many of them are integer digits
    size_t last = 0;      // one past the last nonzero digit
};

Decimal exact(float v) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.160f", std::fabs(static_cast<double>(v)));
    std::string s = buf;
    const size_t dot = s.find('.');
    Decimal x;
    x.digits = s.substr(0, dot) + s.substr(dot + 1);
    x.whole = dot;
    while (x.whole > 0 && x.digits[0] == '0') {
        x.digits.erase(0, 1);
        --x.whole;
    }
    const size_t nz = x.digits.find_last_not_of('0');
    x.last = nz == std::string::npos ? 0 : nz + 1;
    return x;
}

// The digits of x from `from` up to `to`, rounded half to even on the digits
// after `to`; true when the rounding carries out of the first of them (the
// kept digits then read 00..0 and a leading 1 is due).
bool round_even(const Decimal& x, size_t from, size_t to, std::string& kept) {
    kept.assign(x.digits, from, to - from);
    kept.resize(to - from, '0');
    const char next = to < x.digits.size() ? x.digits[to] : '0';
    const bool beyond = x.last > to + 1;
    const bool up = next > '5' || (next == '5' && (beyond || (!kept.empty() && (kept.back() - '0') % 2 == 1)));
    if (!up) return false;
    for (size_t i = kept.size(); i-- > 0;) {
        if (kept[i] != '9') { ++kept[i]; return false; }
        kept[i] = '0';
    }
    return true;
}

std::string fit(const std::string& s, int w) {
    if (static_cast<int>(s.size()) > w) return std::string(static_cast<size_t>(std::max(w, 0)), '*');
    return std::string(static_cast<size_t>(w) - s.size(), ' ') + s;
}

std::string ref_F(float v, const Decimal& x, int w, int d) {
    if (std::isnan(v)) return fit("NaN", w);
    if (std::isinf(v)) {
        std::string s = v < 0 ? (w >= 9 ? "-Infinity" : "-Inf") : (w >= 8 ? "Infinity" : "Inf");
        if (static_cast<int>(s.size()) > w) s = v < 0 ? "-Inf" : (w >= 3 ? "Inf" : "");
        return fit(s, w);
    }
    std::string kept;
    if (round_even(x, 0, x.whole + static_cast<size_t>(d), kept)) kept.insert(0, "1");
    std::string whole = kept.substr(0, kept.size() - static_cast<size_t>(d));
    if (whole.empty()) whole = "0";
    std::string s = (std::signbit(v) ? "-" : "") + whole + "." + kept.substr(kept.size() - static_cast<size_t>(d));
    // Fortran drops the leading zero of "0.xx" when the field is too narrow
    if (static_cast<int>(s.size()) > w && whole == "0") s.erase(s.find('0'), 1);
    return fit(s, w);
}

std::string ref_F(float v, int w, int d) { return ref_F(v, exact(v), w, d); }

std::string ref_list_real(float v, const Decimal& x) {
    if (std::isnan(v)) return fit("NaN", 16);
    if (std::isinf(v)) return fit(v < 0 ? "-Infinity" : "Infinity", 16);
    const std::string sign = std::signbit(v) ? "-" : "";
    if (v == 0.0f) return fit(sign + "0.00000000", 12) + "    ";
    const size_t first = x.digits.find_first_not_of('0');
    int e = static_cast<int>(x.whole) - 1 - static_cast<int>(first);   // v ~ d.ddd·10^e
    std::string dig;
    if (round_even(x, first, first + 9, dig)) {
        dig = "1" + dig.substr(0, 8);
        ++e;
    }
    const int ee = e + 1;
    if (ee >= 0 && ee <= 9) {
        const std::string s = ee == 0 ? "0." + dig : dig.substr(0, static_cast<size_t>(ee)) + "." + dig.substr(static_cast<size_t>(ee));
        return fit(sign + s, 12) + "    ";
    }
    char ex[16];
    std::snprintf(ex, sizeof ex, "E%c%02d", e < 0 ? '-' : '+', std::abs(e));
    return fit(sign + dig.substr(0, 1) + "." + dig.substr(1) + ex, 16);
}

std::string ref_list_real(float v) { return ref_list_real(v, exact(v)); }

std::string ref_I(int32_t v, int w) { return fit(std::to_string(v), w); }

float from_bits(uint32_t b) {
    float f;
    std::memcpy(&f, &b, 4);
    return f;
}

// Values that reach every path and every rounding case of the forms tested.
std::vector<float> hard_values(size_t n) {
    std::mt19937 gen(20240611);
    std::vector<float> v = {0.0f, -0.0f, std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                            std::nanf(""), -std::nanf(""), std::numeric_limits<float>::denorm_min(),
                            -std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::min(),
                            std::numeric_limits<float>::max(), -std::numeric_limits<float>::max()};
    std::uniform_int_distribution<uint32_t> bits;
    std::uniform_real_distribution<float> ex(-14.0f, 14.0f), unit(-1.0f, 1.0f);
    std::uniform_int_distribution<int> odd(0, (1 << 23) - 1), shift(1, 40), kind(0, 5), dd(0, 12), nn(0, 12);
    while (v.size() < n) {
        switch (kind(gen)) {
        case 0:   // any bit pattern: denormals, huge values, NaN payloads
            v.push_back(from_bits(bits(gen)));
            break;
        case 1:   // the magnitudes fields are written for
            v.push_back(unit(gen) * std::pow(10.0f, ex(gen)));
            break;
        case 2:   // odd multiples of 2^-s: exact ties of the rounding at s - 1 decimals
            v.push_back(std::ldexp(static_cast<float>(2 * odd(gen) + 1), -shift(gen)) * (gen() % 2 ? 1.0f : -1.0f));
            break;
        case 3:   // whole numbers
            v.push_back(static_cast<float>(odd(gen) >> shift(gen) % 24) * (gen() % 2 ? 1.0f : -1.0f));
            break;
        default: {   // next to 10^n - 5·10^-(d+1): rounds up into a new digit, or into asterisks
            const double t = std::pow(10.0, nn(gen)) - 5.0 * std::pow(10.0, -(dd(gen) + 1));
            float f = static_cast<float>(t);
            for (int k = static_cast<int>(gen() % 7); k > 0; --k) f = std::nextafter(f, gen() % 2 ? 0.0f : 1e30f);
            v.push_back(gen() % 2 ? f : -f);
        }
        }
    }
    return v;
}

TEST(AgainstReference, FixedFreeAndIntegerFormsOnRandomValues) {
#if defined(__SANITIZE_ADDRESS__) || !defined(__OPTIMIZE__)
    const size_t count = 40000;   // sanitizer build
#else
    const size_t count = 300000;   // about ten million fields
#endif
    const std::vector<float> vals = hard_values(count);
    // The descriptors of the program and neighbours that take the other
    // layouts: 0 to 7 columns before the point, the leading-zero drop, d > 8,
    // d > 12, w < 8, w > 32.
    const int descs[][2] = {{10, 4}, {10, 5}, {12, 6}, {18, 5}, {18, 8}, {20, 8}, {20, 10}, {15, 2},
                            {15, 8}, {10, 7}, {8, 2},  {13, 4}, {12, 3}, {9, 7},  {8, 7},  {16, 8}, {8, 0},
                            {5, 2},  {6, 0},  {4, 3},  {3, 1},  {16, 12}, {24, 12}, {26, 11}, {40, 4}, {30, 15}};
    int bad = 0;
    std::string got;
    for (const float v : vals) {
        const Decimal x = exact(v);
        for (const auto& wd : descs) {
            got.clear();
            put_F(got, v, wd[0], wd[1]);
            const std::string want = ref_F(v, x, wd[0], wd[1]);
            if (got != want && ++bad <= 10)
                ADD_FAILURE() << "F" << wd[0] << "." << wd[1] << " of " << std::hexfloat << v << ": [" << got
                              << "] want [" << want << "]";
        }
        got.clear();
        put_list_real(got, v);
        const std::string want = ref_list_real(v, x);
        if (got != want && ++bad <= 10)
            ADD_FAILURE() << "list item of " << std::hexfloat << v << ": [" << got << "] want [" << want << "]";
        if (std::isfinite(v) && std::fabs(v) < 3e9f) {
            const int32_t i = static_cast<int32_t>(v);
            for (int w : {1, 3, 4, 5, 6, 8, 9, 11, 12}) {
                got.clear();
                put_I(got, i, w);
                if (got != ref_I(i, w) && ++bad <= 10)
                    ADD_FAILURE() << "I" << w << " of " << i << ": [" << got << "] want [" << ref_I(i, w) << "]";
            }
        }
    }
    EXPECT_EQ(bad, 0);
}

TEST(AgainstReference, FastDoubleFormsEqualThePlainOnes) {
    // The integer paths of the double forms against the library conversions
    // (themselves checked against gfortran above): bit patterns of every kind,
    // exact ties at 6, 8 and 16 decimals, values next to powers of ten.
#if defined(__SANITIZE_ADDRESS__) || !defined(__OPTIMIZE__)
    const int count = 50000;
#else
    const int count = 1000000;
#endif
    std::mt19937_64 gen(4711);
    std::uniform_int_distribution<uint64_t> bits;
    std::uniform_int_distribution<int> kind(0, 4), sh(1, 60), p10(-18, 18);
    std::vector<double> vals = {0.0, -0.0, std::numeric_limits<double>::infinity(), std::nan(""),
                                std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::max(),
                                1e-16, 1e17, 99999999999999999.0, 0.1, 0.09999999999999999};
    while (static_cast<int>(vals.size()) < count) {
        double v = 0.0;
        switch (kind(gen)) {
        case 0: { const uint64_t b = bits(gen); std::memcpy(&v, &b, 8); break; }
        case 1: v = std::ldexp(static_cast<double>(bits(gen) >> 11 | 1), -52 - sh(gen) / 4) * std::pow(10.0, p10(gen)); break;
        case 2: v = std::ldexp(static_cast<double>(2 * (bits(gen) >> 40) + 1), -sh(gen)); break;   // ties
        case 3: v = static_cast<double>(bits(gen) >> (11 + sh(gen) % 53)); break;
        default: v = std::pow(10.0, p10(gen)); for (int k = static_cast<int>(gen() % 5); k > 0; --k) v = std::nextafter(v, gen() % 2 ? 0.0 : 1e300);
        }
        vals.push_back(gen() % 2 ? -v : v);
    }
    const int descs[][2] = {{20, 8}, {12, 6}, {15, 8}, {18, 5}, {10, 4}, {8, 2}, {13, 4}, {24, 12}, {9, 7}};
    int bad = 0;
    std::string got, want;
    for (const double v : vals) {
        for (const auto& wd : descs) {
            got.clear(), want.clear();
            put_F(got, v, wd[0], wd[1]);
            put_F_plain(want, v, wd[0], wd[1]);
            if (got != want && ++bad <= 10)
                ADD_FAILURE() << "F" << wd[0] << "." << wd[1] << " of " << std::hexfloat << v << ": [" << got
                              << "] want [" << want << "]";
        }
        got.clear(), want.clear();
        put_list_real(got, v);
        put_list_real_plain(want, v);
        if (got != want && ++bad <= 10)
            ADD_FAILURE() << "list item of " << std::hexfloat << v << ": [" << got << "] want [" << want << "]";
    }
    EXPECT_EQ(bad, 0);
}

TEST(Channels, BuildersAliveTogetherKeepTheirOwnLines) {
    // A line is formatted in the channel's own buffer; a second builder made
    // while the first is open must not write into it.
    Channel ch;
    ch.attach_buffer();
    {
        Rec outer(ch);
        outer.text("a").I(1, 3);
        List(ch) << "inner" << static_cast<int32_t>(2);
        Rec(ch).text("b").I(3, 3);
        outer.I(4, 3);
    }
    Rec(ch).text("c").I(5, 3);
    ch.flush();
    EXPECT_EQ(ch.memory(), " inner           2\nb  3\na  1  4\nc  5\n");
}

TEST(Channels, AStopFlushesEveryChannelWithAFileWhoeverOwnsIt) {
    // The outputs of a case (VTK, CSV) live in objects of their own: a run
    // that stops must find them all the same. A closed channel leaves the list.
    const std::string a = ::testing::TempDir() + "qb_flush_a.txt", b = ::testing::TempDir() + "qb_flush_b.txt";
    auto content = [](const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    };
    {
        Channel first, second;
        ASSERT_TRUE(first.open(a));
        ASSERT_TRUE(second.open(b));
        first.write_line("one");
        second.write_line("two");
        EXPECT_EQ(content(a), "");   // buffered
        Channel::flush_every_file(&second);
        EXPECT_EQ(content(a), "one\n");
        EXPECT_EQ(content(b), "");
        second.close();
        Channel::flush_every_file();
    }
    Channel::flush_every_file();   // nothing left to flush, nothing dangling
    EXPECT_EQ(content(b), "two\n");
    std::remove(a.c_str());
    std::remove(b.c_str());
}

TEST(AgainstReference, LinesOfItemsAndLongRecordsKeepTheirOrder) {
    // Whole lines through a file channel: free-format items after their blank,
    // fixed records longer than any first buffer, and records long enough to
    // be written without the channel buffer, between short ones.
    const std::vector<float> vals = hard_values(3000);
    const std::string path = ::testing::TempDir() + "qb_lineform_lines.txt";
    std::string want;
    {
        Channel ch;
        ASSERT_TRUE(ch.open(path));
        for (size_t i = 0; i + 3 < vals.size(); i += 4) {
            const int32_t n = static_cast<int32_t>(i) - 1500;
            List(ch) << "x" << vals[i] << n << "y" << "z" << vals[i + 1];
            want += " x " + ref_list_real(vals[i]) + " " + ref_I(n, 11) + " yz " + ref_list_real(vals[i + 1]) + "\n";
            const size_t len = i % 400 == 0 ? 300 : 3;   // 300 fields: 6000 bytes
            Rec r(ch);
            r.I(n, 6);
            want += ref_I(n, 6);
            for (size_t k = 0; k < len; ++k) {
                r.F(vals[(i + k) % vals.size()], 20, 8);
                want += ref_F(vals[(i + k) % vals.size()], 20, 8);
            }
            r.end();
            want += "\n";
        }
    }
    std::ifstream in(path, std::ios::binary);
    std::stringstream got;
    got << in.rdbuf();
    EXPECT_TRUE(got.str() == want) << "the file differs from the lines written";
}

} // namespace

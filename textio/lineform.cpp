#include "textio/lineform.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>

#include "textio/stop.h"

namespace qb {

namespace {

static_assert(std::endian::native == std::endian::little, "digit words are stored lowest byte first");

void stars(std::string& out, int w) { out.append(static_cast<size_t>(w > 0 ? w : 0), '*'); }

void right(std::string& out, std::string_view s, int w) {
    if (static_cast<int>(s.size()) > w) { stars(out, w); return; }
    out.append(static_cast<size_t>(w) - s.size(), ' ');
    out.append(s);
}

// A NaN or an infinity in w columns, as gfortran writes them in every form:
// "Infinity" where it fits, else "Inf".
void put_nonfinite(std::string& out, double v, int w) {
    if (std::isnan(v)) { right(out, "NaN", w); return; }
    std::string_view s = v < 0 ? (w >= 9 ? "-Infinity" : "-Inf") : (w >= 8 ? "Infinity" : "Inf");
    if (static_cast<int>(s.size()) > w) s = v < 0 ? "-Inf" : (w >= 3 ? "Inf" : "");
    right(out, s, w);
}

constexpr double POW10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12};
// Nearest doubles to 10^-d: only used for a quotient estimate that is corrected.
constexpr double INV10[] = {1e0, 1e-1, 1e-2, 1e-3, 1e-4, 1e-5, 1e-6, 1e-7, 1e-8, 1e-9, 1e-10, 1e-11, 1e-12};
constexpr uint64_t UPOW10[] = {1ull, 10ull, 100ull, 1000ull, 10000ull, 100000ull, 1000000ull, 10000000ull,
                               100000000ull, 1000000000ull, 10000000000ull, 100000000000ull, 1000000000000ull};

using u128 = unsigned __int128;

// 5^k for k = 0..44: 5^44 < 2^103, so a 24-bit mantissa times it stays below 2^127.
constexpr int POW5_MAX = 44;
constexpr auto POW5 = [] {
    struct { u128 v[POW5_MAX + 1]; } t{};
    t.v[0] = 1;
    for (int k = 1; k <= POW5_MAX; ++k) t.v[k] = t.v[k - 1] * 5;
    return t;
}();

// ---- digit words ------------------------------------------------------------------
// A digit word holds eight decimal digits as byte values 0..9, the most
// significant in the lowest byte, so that stored as is (little-endian) it reads
// left to right. Leading zeros are kept; ASCII_ZEROS turns the values into
// characters.

constexpr uint64_t ASCII_ZEROS = 0x3030303030303030ull;
constexpr uint64_t BLANK8 = 0x2020202020202020ull;

// The four digits of every i < 10^4 (40 KB: two look-ups make a word).
constexpr auto QUADS = [] {
    struct { uint32_t v[10000]; } t{};
    for (uint32_t i = 0; i < 10000; ++i)
        t.v[i] = (i / 1000) | ((i / 100 % 10) << 8) | ((i / 10 % 10) << 16) | ((i % 10) << 24);
    return t;
}();

// Digit word of c < 10^8.
inline uint64_t digit_word(uint64_t c) {
    const uint32_t c32 = static_cast<uint32_t>(c);
    const uint32_t hi = c32 / 10000, lo = c32 % 10000;
    return QUADS.v[hi] | static_cast<uint64_t>(QUADS.v[lo]) << 32;
}

// Digits shown for the number in a digit word: its significant ones, and
// at least one (zero is written "0"). The bit set in the last byte makes a
// zero word count as one digit without a branch.
inline int shown_digits(uint64_t z) {
    return 8 - static_cast<int>(static_cast<unsigned>(std::countr_zero(z | 1ull << 56)) / 8);
}

inline void store8(char* p, uint64_t z) {
    z |= ASCII_ZEROS;
    std::memcpy(p, &z, 8);
}

// Masks of the leading 8 - k bytes of a word, and the minus sign put just
// before the last k bytes (over a blank: '-' - ' ' = 0x0D).
constexpr auto LEADING = [] {
    struct { uint64_t v[9]; } t{};
    for (int k = 0; k <= 8; ++k) t.v[k] = k == 8 ? 0 : ~0ull >> (8 * k);
    return t;
}();
constexpr auto MINUS = [] {
    struct { uint64_t v[9]; } t{};
    for (int k = 0; k < 8; ++k) t.v[k] = 0x0Dull << (8 * (7 - k));
    return t;
}();

// The eight characters of the k last digits of z right-aligned after blanks,
// with the minus sign of a negative value (k + 1 <= 8 then). k = 0 gives only
// blanks and the sign.
inline uint64_t number_word(uint64_t z, int k, bool neg) {
    const uint64_t m = LEADING.v[k];
    return (((z | ASCII_ZEROS) & ~m) | (BLANK8 & m)) + (MINUS.v[k] & (0 - static_cast<uint64_t>(neg)));
}

// Stores the last min(n, 8) characters of a number word so that they end just
// before `end`, for n >= 4: below 8 columns as two 4-byte stores that overlap.
inline void store_right(char* end, int n, uint64_t word) {
    if (n >= 8) {
        std::memcpy(end - 8, &word, 8);
    } else {
        const uint32_t lo = static_cast<uint32_t>(word >> (8 * (8 - n))), hi = static_cast<uint32_t>(word >> 32);
        std::memcpy(end - n, &lo, 4);
        std::memcpy(end - 4, &hi, 4);
    }
}

// ---- appending a field --------------------------------------------------------------
// A field is appended as w blanks, then its characters are stored over them in
// whole words. The append copies a fixed number of bytes for each width (a
// variable-length copy per field costs more than the rest of the field), and
// the characters are stored straight into the line: building them in a buffer
// and copying that would read back bytes still in the store queue.

constexpr int GROW_MAX = 32;
constexpr auto BLANKS = [] {
    struct { char c[GROW_MAX + 1]; } t{};
    for (char& c : t.c) c = ' ';
    return t;
}();

// A line starts in the string's own small buffer; the first field that does
// not fit gives it room for a whole line at once rather than doubling it
// several times.
constexpr size_t LINE_ROOM = 256;

[[gnu::noinline]] void make_room(std::string& s, size_t n) {
    s.reserve(std::max({LINE_ROOM, 2 * s.capacity(), s.size() + n}));
}

inline void room(std::string& s, size_t n) {
    if (s.capacity() - s.size() < n) make_room(s, n);
}

template <size_t W>
[[gnu::always_inline]] inline char* grow_fixed(std::string& out) {
    const size_t n = out.size();
    room(out, W);
    out.append(BLANKS.c, W);
    return out.data() + n;
}
template <size_t... W>
constexpr auto grow_table(std::index_sequence<W...>) {
    return std::array<char* (*)(std::string&), sizeof...(W)>{&grow_fixed<W>...};
}
constexpr auto GROW = grow_table(std::make_index_sequence<GROW_MAX + 1>{});

// Appends w <= GROW_MAX blanks and returns where they start. The widths the
// program writes most are appended inline.
[[gnu::always_inline]] inline char* grow(std::string& out, int w) {
    switch (w) {
    case 5: return grow_fixed<5>(out);
    case 6: return grow_fixed<6>(out);
    case 10: return grow_fixed<10>(out);
    case 12: return grow_fixed<12>(out);
    case 15: return grow_fixed<15>(out);
    case 16: return grow_fixed<16>(out);
    case 17: return grow_fixed<17>(out);
    case 18: return grow_fixed<18>(out);
    case 20: return grow_fixed<20>(out);
    default: return GROW[static_cast<size_t>(w)](out);
    }
}

// u = q·10^d + r with r < 10^d, for an integer-valued u < 2^52 held in the
// double xu and 0 <= d <= 12. The quotient through the double reciprocal is off
// by at most one: u·10^-d < 2^49 for d >= 1 and its relative error is a few
// units in 2^-53.
inline void split(double xu, int d, int64_t& q, int64_t& r) {
    const int64_t p = static_cast<int64_t>(UPOW10[d]);
    const int64_t u = static_cast<int64_t>(xu);
    int64_t qq = static_cast<int64_t>(xu * INV10[d]);
    int64_t rr = u - qq * p;
    if (rr < 0) { --qq; rr += p; }
    else if (rr >= p) { ++qq; rr -= p; }
    q = qq;
    r = rr;
}

bool finite_bits(float v) {
    uint32_t b;
    std::memcpy(&b, &v, 4);
    return (b & 0x7f800000u) != 0x7f800000u;
}

// Decimal digits of u, most significant first; returns their count.
int digits_of(uint64_t u, char* out) {
    char tmp[24];
    int n = 0;
    do {
        tmp[n++] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u != 0);
    for (int i = 0; i < n; ++i) out[i] = tmp[n - 1 - i];
    return n;
}

// ---- Fw.d ---------------------------------------------------------------------------

// Bound (exclusive) on the rounded |v|·10^d that the word layout takes: an
// integer part below 10^8 (one digit word), a value below 2^52 (see split).
constexpr double WORD_LIMIT[] = {1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 0x1p52, 0x1p52, 0x1p52, 0x1p52, 0x1p52};

// Whether Fw.d can be laid out in words. The fraction takes one digit word
// (d <= 8) or two, stored so that they end the field. With 8 columns or more
// before the point, the integer part and its sign take the number word just
// before the point, which also covers the leading zeros of the fraction
// words. A narrower field of 8 to 16 columns is written as its first 8
// characters (integer part, point, first decimals) and its last 8.
constexpr bool word_layout(int w, int d) {
    if (d < 0 || d > 12 || w > GROW_MAX) return false;
    const int room = w - d - 1;   // columns before the point
    return room >= 8 || (room >= 0 && d <= 8 && w >= 8 && w <= 16);
}

// word_layout(w, d) as bit d of WORD_LAYOUT[w].
constexpr auto WORD_LAYOUT = [] {
    struct { uint32_t v[GROW_MAX + 1]; } t{};
    for (int w = 0; w <= GROW_MAX; ++w)
        for (int d = 0; d <= 12; ++d)
            if (word_layout(w, d)) t.v[w] |= 1u << d;
    return t;
}();

// |v| rounded to `d` decimals, as "III.FFF" (round half even on the exact
// binary value). For a float (at most 24 significant bits) and d <= 12 the
// product |v|·10^d (24 + 28 bits) is exact in double precision and the
// rounding to an integer is the only one made; anything else goes through the
// C library's exact conversion. Digits longer than `buf` (a huge value or
// hundreds of decimals) go to `wide`.
std::string_view fixed_digits(double a, bool from_float, int d, char* buf, size_t cap, std::string& wide) {
    if (from_float && d >= 0 && d <= 12) {
        const double v = a * POW10[d];
        if (v < 1e19) {
            const uint64_t u = static_cast<uint64_t>(std::nearbyint(v));
            const uint64_t p = UPOW10[d];
            int n = digits_of(u / p, buf);
            buf[n++] = '.';
            uint64_t f = u % p;
            for (int i = d - 1; i >= 0; --i) {
                buf[n + i] = static_cast<char>('0' + f % 10);
                f /= 10;
            }
            n += d;
            return std::string_view(buf, static_cast<size_t>(n));
        }
    }
    const int n = std::snprintf(buf, cap, "%#.*f", d, a);
    if (n <= 0) return {};
    if (static_cast<size_t>(n) < cap) return std::string_view(buf, static_cast<size_t>(n));
    wide.resize(static_cast<size_t>(n) + 1);
    std::snprintf(wide.data(), wide.size(), "%#.*f", d, a);
    wide.pop_back();
    return wide;
}

// Every Fw.d of a float or a double (from_float: v holds a float's value):
// non-finite values, the widths and decimals the word layout does not take,
// integer parts of 8 digits and more.
void put_F_general(std::string& out, double v, bool from_float, int w, int d) {
    if (!std::isfinite(v)) { put_nonfinite(out, v, w); return; }
    bool neg = std::signbit(v);
    char buf[512];
    std::string wide;
    std::string_view digits = fixed_digits(std::fabs(v), from_float, d, buf, sizeof buf, wide);
    // Fortran keeps the leading zero of "0.xx" only when the field has room.
    int need = static_cast<int>(digits.size()) + (neg ? 1 : 0);
    if (need > w && digits.size() > 1 && digits[0] == '0' && digits[1] == '.') {
        digits.remove_prefix(1);
        need--;
    }
    if (need > w) { stars(out, w); return; }
    out.append(static_cast<size_t>(w - need), ' ');
    if (neg) out += '-';
    out += digits;
}

// A finite float or double as m·2^e2, m its integer significand (with the
// implicit bit of a normal number).
struct Binary {
    uint64_t m;
    int e2;
};
template <class Real>
Binary binary_parts(Real v) {
    using Bits = std::conditional_t<sizeof(Real) == 4, uint32_t, uint64_t>;
    constexpr int STORED = std::numeric_limits<Real>::digits - 1;   // significand bits held
    constexpr int SHIFT = std::numeric_limits<Real>::max_exponent - 1 + STORED;
    const Bits b = std::bit_cast<Bits>(v);
    const int be = static_cast<int>((b & ~(Bits{1} << (8 * sizeof(Real) - 1))) >> STORED);
    const uint64_t frac = b & ((Bits{1} << STORED) - 1);
    return {be ? frac | uint64_t{1} << STORED : frac, (be ? be : 1) - SHIFT};
}

// ---- list-directed reals ------------------------------------------------------------

// Nine significant digits of a finite float |v| = a > 0: dig in [10^8, 10^9)
// and the decimal exponent x10 with a ~ dig·10^(x10-8), rounded half even on
// the exact binary value. The scaled value a·10^(8-x10) is formed exactly: in a
// double while the power of ten has at most 12 digits (see fixed_digits), as a
// 128-bit integer mantissa·5^k shifted right for smaller values, and as a
// 128-bit quotient by 5^j for values of 10^9 and more. Returns false only for
// a < ~10^-36, left to the C library.
bool nine_digits(float v, double a, uint32_t& dig, int& x10) {
    const auto [m, e2] = binary_parts(v);                                  // a = m·2^e2
    const int top = e2 + 63 - std::countl_zero(m);                        // 2^top <= a < 2^(top+1)
    // floor(log10 a) is e or e + 1 (78913 / 2^18 ~ log10 2, floored shift).
    int e = (top * 78913) >> 18;
    for (int tries = 0; tries < 2; ++tries, ++e) {
        const int k = 8 - e;   // a·10^k should lie in [10^8, 10^9)
        uint64_t fl;           // its integer part
        bool up;               // whether it rounds up
        if (k >= 0 && k <= 12) {
            const double s = a * POW10[k];
            if (s >= 1e9) continue;
            const double r = (s + 0x1p52) - 0x1p52;
            fl = static_cast<uint64_t>(s);
            up = r > static_cast<double>(fl);
        } else if (k > 12) {
            if (k > POW5_MAX) return false;
            const u128 p = static_cast<u128>(m) * POW5.v[k];
            const int sh = -(e2 + k);   // > 0 for every a < 10^-4
            if (sh <= 0 || sh >= 127) return false;
            fl = static_cast<uint64_t>(p >> sh);
            if (fl >= 1000000000) continue;
            const u128 rem = p & ((static_cast<u128>(1) << sh) - 1);
            const u128 half = static_cast<u128>(1) << (sh - 1);
            up = rem > half || (rem == half && (fl & 1));
        } else {
            const int j = -k;           // divide by 10^j = 2^j·5^j; a >= 10^9 has e2 > j
            if (e2 < j) return false;
            const u128 n = static_cast<u128>(m) << (e2 - j);
            const u128 q = n / POW5.v[j];
            fl = static_cast<uint64_t>(q);
            if (fl >= 1000000000) continue;
            up = 2 * (n - q * POW5.v[j]) > POW5.v[j];   // 5^j is odd: never an exact half
        }
        if (fl < 100000000) return false;   // cannot happen: e never exceeds floor(log10 a)
        // No carry into a tenth digit: floats lie further apart than
        // 5·10^-9 of their value, so none rounds up to 10^9 here.
        dig = static_cast<uint32_t>(fl + up);
        x10 = e;
        return true;
    }
    return false;
}

// A list-directed real item (16 columns) after `pre` blanks.
void list_real(std::string& out, float v, int pre) {
    constexpr int W = 16;
    if (!finite_bits(v)) {
        out.append(static_cast<size_t>(pre), ' ');
        put_nonfinite(out, v, W);
        return;
    }
    const bool neg = std::signbit(v);
    const double a = std::fabs(static_cast<double>(v));
    uint32_t dig = 0;   // a ~ dig·10^(x10-8), dig of nine digits
    int x10 = 0;
    if (a != 0.0 && !nine_digits(v, a, dig, x10)) {
        char tmp[64];
        std::snprintf(tmp, sizeof tmp, "%.8e", a);
        const char* e = std::strchr(tmp, 'e');
        int nd = 0;
        for (const char* p = tmp; p < e && nd < 9; ++p)
            if (*p >= '0' && *p <= '9') { dig = dig * 10 + static_cast<uint32_t>(*p - '0'); ++nd; }
        x10 = std::atoi(e + 1);
    }
    char* f = grow(out, W + pre) + pre;
    const char sign = neg ? '-' : ' ';
    if (a == 0.0) {
        f[1] = sign;
        std::memcpy(f + 2, "0.00000000", 10);
        return;
    }
    const int ee = x10 + 1;   // 10^(ee-1) <= a < 10^ee
    const uint64_t lead = dig / 100000000;
    const uint64_t rest = digit_word(dig % 100000000) | ASCII_ZEROS;
    if (ee >= 1 && ee <= 9) {
        // F form in 12 columns, then 4 blanks: the nine digits with the point
        // after the first ee of them
        const u128 n = ('0' + lead) | static_cast<u128>(rest) << 8;
        const u128 low = (static_cast<u128>(1) << (8 * ee)) - 1;
        const u128 s = (n & low) | static_cast<u128>('.') << (8 * ee) | (n & ~low) << 8;
        const uint64_t s0 = static_cast<uint64_t>(s);
        const uint16_t s1 = static_cast<uint16_t>(s >> 64);
        f[1] = sign;
        std::memcpy(f + 2, &s0, 8);
        std::memcpy(f + 10, &s1, 2);
    } else if (ee == 0) {
        // "0." and nine decimals fill the 12 columns
        f[0] = sign;
        f[1] = '0';
        f[2] = '.';
        f[3] = static_cast<char>('0' + lead);
        std::memcpy(f + 4, &rest, 8);
    } else {
        // d.dddddddd E+xx in 16 columns
        const int ax = x10 < 0 ? -x10 : x10;
        f[1] = sign;
        f[2] = static_cast<char>('0' + lead);
        f[3] = '.';
        std::memcpy(f + 4, &rest, 8);
        f[12] = 'E';
        f[13] = x10 < 0 ? '-' : '+';
        f[14] = static_cast<char>('0' + ax / 10);
        f[15] = static_cast<char>('0' + ax % 10);
    }
}

// Seventeen significant digits of a finite double |v| = a > 0: dig in
// [10^16, 10^17) and the decimal exponent x10 with a ~ dig·10^(x10-16),
// rounded half even on the exact binary value. For 10^-16 <= a < 10^17 the
// scaled value m·5^k·2^(e2+k) with k = 16 - x10 <= 32 is an exact 128-bit
// integer before its shift; false elsewhere (left to the C++ library).
bool seventeen_digits(double a, uint64_t& dig, int& x10) {
    constexpr uint64_t LOW = 10000000000000000ull, HIGH = 100000000000000000ull;
    const auto [m, e2] = binary_parts(a);
    const int top = e2 + 63 - std::countl_zero(m);   // 2^top <= a < 2^(top+1)
    int e = (top * 78913) >> 18;                      // floor(log10 a), or one less
    for (int tries = 0; tries < 3; ++tries) {
        const int k = 16 - e;
        if (k < 0 || k > 32) return false;
        const u128 p = static_cast<u128>(m) * POW5.v[k];   // < 2^53·5^32 < 2^128
        const int sh = -(e2 + k);
        uint64_t fl;
        bool up = false;
        if (sh <= 0) {
            if (sh < -10) return false;
            const u128 n = p << -sh;
            if (n >= HIGH) { ++e; continue; }
            fl = static_cast<uint64_t>(n);
        } else {
            if (sh >= 128) return false;
            const u128 q = p >> sh;
            if (q >= HIGH) { ++e; continue; }
            fl = static_cast<uint64_t>(q);
            const u128 rem = p & ((static_cast<u128>(1) << sh) - 1), half = static_cast<u128>(1) << (sh - 1);
            up = rem > half || (rem == half && (fl & 1));
        }
        if (fl < LOW) { --e; continue; }
        dig = fl + up;
        x10 = e;
        if (dig == HIGH) { dig = LOW; ++x10; }
        return true;
    }
    return false;
}

// A list-directed double item (25 columns): 17 significant digits, in the F
// form of 20 columns and 5 blanks for 10^-1 <= |v| < 10^17, else in the
// E form d.dddddddddddddddE+xxx.
void list_real(std::string& out, double v) {
    constexpr int W = 25;
    const bool neg = std::signbit(v);
    const double a = std::fabs(v);
    if (a == 0.0) {   // most entries of an element matrix
        std::memcpy(grow(out, W), neg ? " -0.0000000000000000     " : "  0.0000000000000000     ", W);
        return;
    }
    uint64_t dig = 0;
    int x10 = 0;
    if (!std::isfinite(v) || !seventeen_digits(a, dig, x10)) {
        put_list_real_plain(out, v);
        return;
    }
    // The digits as characters: the leading one, then two words of eight.
    char d17[17];
    const uint64_t rest = dig % 10000000000000000ull;
    d17[0] = static_cast<char>('0' + dig / 10000000000000000ull);
    store8(d17 + 1, digit_word(rest / 100000000));
    store8(d17 + 9, digit_word(rest % 100000000));
    char* f = grow(out, W);
    const int ee = x10 + 1;   // 10^(ee-1) <= a < 10^ee
    if (ee >= 0 && ee <= 17) {
        char* p = f + 20 - (ee == 0 ? 19 : 18) - neg;
        if (neg) *p++ = '-';
        if (ee == 0) {
            *p++ = '0';
            *p++ = '.';
            std::memcpy(p, d17, 17);
        } else {
            std::memcpy(p, d17, static_cast<size_t>(ee));
            p[ee] = '.';
            std::memcpy(p + ee + 1, d17 + ee, static_cast<size_t>(17 - ee));
        }
    } else {
        char* p = f + W - 23 - neg;
        if (neg) *p++ = '-';
        p[0] = d17[0];
        p[1] = '.';
        std::memcpy(p + 2, d17 + 1, 16);
        const int ax = x10 < 0 ? -x10 : x10;
        p[18] = 'E';
        p[19] = x10 < 0 ? '-' : '+';
        p[20] = static_cast<char>('0' + ax / 100);
        p[21] = static_cast<char>('0' + ax / 10 % 10);
        p[22] = static_cast<char>('0' + ax % 10);
    }
}

// ---- Iw, Fw.d in words --------------------------------------------------------------

// Iw in one number word; put_I calls it with constant w for the common widths.
[[gnu::always_inline]] inline void put_I_word(std::string& out, int32_t v, int w) {
    const bool neg = v < 0;
    const uint32_t a = neg ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
    if (w >= 4 && w <= GROW_MAX && a < 100000000) {
        const uint64_t z = digit_word(a);
        const int k = shown_digits(z);
        if (k + neg <= std::min(w, 8)) {
            store_right(grow(out, w) + w, w, number_word(z, k, neg));
            return;
        }
    }
    char buf[16];
    int n = 0;
    if (neg) buf[n++] = '-';
    n += digits_of(a, buf + n);
    right(out, std::string_view(buf, static_cast<size_t>(n)), w);
}

// |v|·10^d rounded to an integer (ties to even) in xu, for a finite nonzero
// v; false when it reaches the limit of the word layout for d decimals.
inline bool scaled(float v, int d, double& xu) {
    const double x = std::fabs(static_cast<double>(v)) * POW10[d];   // exact, see fixed_digits
    // Adding and removing 2^52 leaves x below 2^52 rounded to an integer,
    // ties to even (as nearbyint in the default rounding mode); larger
    // values fail the limit.
    xu = (x + 0x1p52) - 0x1p52;
    return xu < WORD_LIMIT[d];
}

// The same for a double |v| = m·2^e2: m·10^d (53 + 40 bits) is an exact
// 128-bit integer, shifted by e2 with the discarded bits rounded half even.
inline bool scaled(double v, int d, double& xu) {
    const auto [m, e2] = binary_parts(v);
    const u128 p = static_cast<u128>(m) * UPOW10[d];
    u128 u;
    if (e2 >= 0) {
        if (e2 >= 52 || p >> (52 - e2) != 0) return false;   // at least 2^52: beyond every layout
        u = p << e2;
    } else if (e2 <= -128) {
        u = 0;   // p < 2^93 lies below half of 2^128
    } else {
        const int sh = -e2;
        const u128 q = p >> sh, rem = p & ((static_cast<u128>(1) << sh) - 1), half = static_cast<u128>(1) << (sh - 1);
        u = q + (rem > half || (rem == half && (q & 1)));
    }
    if (u >= static_cast<u128>(1) << 52) return false;
    xu = static_cast<double>(static_cast<uint64_t>(u));
    return xu < WORD_LIMIT[d];
}

inline bool finite_bits(double v) { return std::isfinite(v); }

inline void put_F_fallback(std::string& out, float v, int w, int d) { put_F_general(out, v, true, w, d); }
inline void put_F_fallback(std::string& out, double v, int w, int d) { put_F_general(out, v, false, w, d); }

// Fw.d in words; put_F calls it with constant w and d for the common
// descriptors so that the layout is worked out at compile time.
template <class Real>
[[gnu::always_inline]] inline void put_F_words(std::string& out, Real v, int w, int d) {
    if (!finite_bits(v) || static_cast<unsigned>(w) > GROW_MAX || static_cast<unsigned>(d) > 12 ||
        !(WORD_LAYOUT.v[w] >> d & 1)) {
        put_F_fallback(out, v, w, d);
        return;
    }
    // Digit words of the integer part and of the fraction (the first word
    // holds the leading d - 8 decimals when d > 8). Zeros, which fill most of
    // a stiffness or flexibility matrix, need none.
    uint64_t zq = 0, zf = 0, zf0 = 0;
    if (v != 0) {
        double xu;
        if (!scaled(v, d, xu)) { put_F_fallback(out, v, w, d); return; }
        int64_t q, r;
        split(xu, d, q, r);
        const uint64_t fr = static_cast<uint64_t>(r);
        zq = digit_word(static_cast<uint64_t>(q));
        if (d <= 8) {
            zf = digit_word(fr);
        } else {
            zf0 = digit_word(fr / 100000000);
            zf = digit_word(fr % 100000000);
        }
    }
    const bool neg = std::signbit(v);
    int k = shown_digits(zq);
    const int room = w - d - 1;
    if (room >= 8) {
        // "0.xx" always keeps its zero here: only too large a value overflows
        if (k + neg > room) { stars(out, w); return; }
        if (k + neg > 8) { put_F_fallback(out, v, w, d); return; }
        const uint64_t word = number_word(zq, k, neg);
        char* end = grow(out, w) + w;
        if (d > 8) store8(end - 16, zf0);
        store8(end - 8, zf);
        end[-d - 1] = '.';
        std::memcpy(end - d - 9, &word, 8);
        return;
    }
    if (k + neg > room) {
        // Fortran keeps the leading zero of "0.xx" only when the field has room.
        if (zq == 0 && neg <= room) k = 0;
        else { stars(out, w); return; }
    }
    // First 8 characters: the last `room` of the number word, the point and
    // the first 7 - room decimals (the decimals start at byte 8 - d of zf).
    uint64_t head = static_cast<uint64_t>('.') << (8 * room);
    if (room > 0) head |= number_word(zq, k, neg) >> (8 * (8 - room));
    if (room < 7) head |= (zf | ASCII_ZEROS) >> (8 * (8 - d)) << (8 * (room + 1));   // d >= 1 here
    char* first = grow(out, w);
    store8(first + w - 8, zf);   // its leading zeros are then covered by the head
    std::memcpy(first, &head, 8);
}

} // namespace

void put_I(std::string& out, int32_t v, int w) {
    switch (w) {
    case 5: put_I_word(out, v, 5); break;
    case 6: put_I_word(out, v, 6); break;
    case 12: put_I_word(out, v, 12); break;
    default: put_I_word(out, v, w);
    }
}

template <class Real>
[[gnu::always_inline]] inline void put_F_common(std::string& out, Real v, int w, int d) {
    switch (w << 4 | d) {
    case 10 << 4 | 4: put_F_words(out, v, 10, 4); break;
    case 10 << 4 | 5: put_F_words(out, v, 10, 5); break;
    case 12 << 4 | 6: put_F_words(out, v, 12, 6); break;
    case 15 << 4 | 2: put_F_words(out, v, 15, 2); break;
    case 15 << 4 | 8: put_F_words(out, v, 15, 8); break;
    case 18 << 4 | 5: put_F_words(out, v, 18, 5); break;
    case 18 << 4 | 8: put_F_words(out, v, 18, 8); break;
    case 20 << 4 | 8: put_F_words(out, v, 20, 8); break;
    case 20 << 4 | 10: put_F_words(out, v, 20, 10); break;
    default: put_F_words(out, v, w, d);
    }
}

void put_F(std::string& out, float v, int w, int d) { put_F_common(out, v, w, d); }
void put_F(std::string& out, double v, int w, int d) { put_F_common(out, v, w, d); }

void put_E(std::string& out, double v, int w, int d) {
    if (!std::isfinite(v)) { put_nonfinite(out, v, w); return; }
    bool neg = std::signbit(v);
    double a = std::fabs(v);
    std::string mant;
    int ex = 0;
    if (a == 0.0) {
        mant.assign(static_cast<size_t>(std::max(d, 0)), '0');
        ex = 0;
    } else {
        // 0.ddd form: d significant digits, in a buffer with room for all of them
        std::string buf(static_cast<size_t>(std::max(d, 0)) + 32, '\0');
        std::snprintf(buf.data(), buf.size(), "%.*e", d > 0 ? d - 1 : 0, a);
        // buf: D.DDDe+XX
        const char* e = std::strchr(buf.c_str(), 'e');
        for (const char* p = buf.c_str(); p < e; ++p)
            if (*p >= '0' && *p <= '9') mant += *p;
        ex = std::atoi(e + 1) + 1;
        if (d == 0) mant.clear();
    }
    std::string s;
    if (neg) s += '-';
    s += "0.";
    s += mant;
    char eb[16];
    int ae = ex < 0 ? -ex : ex;
    if (ae <= 99) std::snprintf(eb, sizeof eb, "E%c%02d", ex < 0 ? '-' : '+', ae);
    else std::snprintf(eb, sizeof eb, "%c%03d", ex < 0 ? '-' : '+', ae);
    s += eb;
    if (static_cast<int>(s.size()) > w) {
        // drop the optional leading zero
        size_t z = neg ? 1 : 0;
        s.erase(z, 1);
    }
    right(out, s, w);
}

void put_E(std::string& out, float v, int w, int d) { put_E(out, static_cast<double>(v), w, d); }

// The plain forms of doubles: the C library's exact conversions, laid out
// by hand.
void put_F_plain(std::string& out, double v, int w, int d) { put_F_general(out, v, false, w, d); }

void put_list_real_plain(std::string& out, double v) {
    constexpr int W = 25, DIGITS = 17;
    if (!std::isfinite(v)) { put_nonfinite(out, v, W); return; }
    const bool neg = std::signbit(v);
    const double a = std::fabs(v);
    // 17 significant digits and the decimal exponent of the rounded value.
    char dig[DIGITS + 1] = "00000000000000000";
    int x10 = 0;
    if (a != 0.0) {
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf - 1, a, std::chars_format::scientific, DIGITS - 1);
        *r.ptr = '\0';
        const char* e = std::strchr(buf, 'e');
        int k = 0;
        for (const char* p = buf; p < e && k < DIGITS; ++p)
            if (*p >= '0' && *p <= '9') dig[k++] = *p;
        x10 = std::atoi(e + 1);
    }
    const int ee = a == 0.0 ? 1 : x10 + 1;   // 10^(ee-1) <= a < 10^ee
    std::string s = neg ? "-" : "";
    if (ee >= 0 && ee <= DIGITS) {
        // F form: DIGITS - ee decimals in 20 columns, then 5 blanks.
        if (ee == 0) {
            s += "0.";
            s.append(dig, DIGITS);
        } else {
            s.append(dig, static_cast<size_t>(ee));
            s += '.';
            s.append(dig + ee, static_cast<size_t>(DIGITS - ee));
        }
        right(out, s, W - 5);
        out.append(5, ' ');
    } else {
        s += dig[0];
        s += '.';
        s.append(dig + 1, DIGITS - 1);
        char eb[16];
        std::snprintf(eb, sizeof eb, "E%c%03d", x10 < 0 ? '-' : '+', x10 < 0 ? -x10 : x10);
        s += eb;
        right(out, s, W);
    }
}

void put_A(std::string& out, std::string_view bytes, int w) {
    if (w <= 0) return;
    if (static_cast<int>(bytes.size()) >= w) {
        out.append(bytes.substr(0, static_cast<size_t>(w)));
    } else {
        out.append(static_cast<size_t>(w) - bytes.size(), ' ');
        out.append(bytes);
    }
}

void put_list_real(std::string& out, float v) { list_real(out, v, 0); }
void put_list_real(std::string& out, double v) { list_real(out, v); }

std::string latin1(std::string_view u) {
    std::string r;
    r.reserve(u.size());
    for (size_t i = 0; i < u.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(u[i]);
        if (c < 0x80) { r += static_cast<char>(c); continue; }
        if ((c == 0xC2 || c == 0xC3) && i + 1 < u.size()) {
            unsigned char c2 = static_cast<unsigned char>(u[i + 1]);
            r += static_cast<char>(((c & 0x03) << 6) | (c2 & 0x3F));
            ++i;
            continue;
        }
        // skip the continuation bytes of characters that Latin-1 lacks
        size_t extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        i += extra;
        r += '?';
    }
    return r;
}

std::string to_utf8(std::string_view bytes) {
    // Valid UTF-8 passes as it is.
    bool valid = true;
    for (size_t i = 0; i < bytes.size() && valid;) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const size_t extra = c < 0x80 ? 0 : c >= 0xC2 && c < 0xE0 ? 1 : c >= 0xE0 && c < 0xF0 ? 2
                           : c >= 0xF0 && c < 0xF5 ? 3 : 4;
        valid = extra < 4 && i + extra < bytes.size();
        for (size_t k = 1; k <= extra && valid; ++k)
            valid = (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
        i += extra + 1;
    }
    if (valid) return std::string(bytes);
    std::string out;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool ascii(std::string_view s) {
    // eight bytes at a time: a byte of 0x80 or more has its top bit set
    uint64_t any = 0;
    size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        uint64_t w;
        std::memcpy(&w, s.data() + i, 8);
        any |= w;
    }
    for (; i < s.size(); ++i) any |= static_cast<unsigned char>(s[i]);
    return (any & 0x8080808080808080ull) == 0;
}

void append_latin1(std::string& out, std::string_view utf8) {
    if (ascii(utf8)) out.append(utf8);
    else out += latin1(utf8);
}

// ---- Channel -------------------------------------------------------------------

namespace {
Channel::FailureAction failure_action_ = nullptr;
Channel* with_files_ = nullptr;   // head of the list of channels with a file
} // namespace

void Channel::on_failure(FailureAction action) { failure_action_ = action; }

void Channel::enlist() {
    if (listed_) return;
    next_ = with_files_;
    prev_ = nullptr;
    if (next_) next_->prev_ = this;
    with_files_ = this;
    listed_ = true;
}

void Channel::delist() {
    if (!listed_) return;
    if (prev_) prev_->next_ = next_;
    else with_files_ = next_;
    if (next_) next_->prev_ = prev_;
    prev_ = next_ = nullptr;
    listed_ = false;
}

void Channel::flush_every_file(const Channel* except) {
    for (Channel* c = with_files_; c != nullptr; c = c->next_)
        if (c != except) c->flush();
}

Channel::~Channel() { close(); }

// The channel buffer is written out once it holds SPILL bytes. A line of
// LONG_LINE bytes or more (a matrix row) is written straight from where it was
// built instead of being copied into the buffer.
constexpr size_t SPILL = 1 << 16;
constexpr size_t LONG_LINE = 1 << 12;

void Channel::fail(int err) {
    if (err_ != 0) return;
    err_ = err != 0 ? err : EIO;
    if (failure_action_) failure_action_(*this);
}

bool Channel::open(const std::string& path) {
    close();
    name_ = path;
    err_ = 0;
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        err_ = errno != 0 ? errno : EIO;
        return false;
    }
    attach_file(f, path);
    return true;
}

void Channel::attach_file(std::FILE* f, std::string name) {
    close();
    name_ = std::move(name);
    err_ = 0;
    file_ = f;
    owned_ = true;
    enlist();
    // The channel buffers whole blocks itself: a second buffer in the C
    // library would only copy them once more, and each spill is one write,
    // whose failure is seen at once.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    buf_.reserve(SPILL + 256);
}

void Channel::attach_stdout() {
    close();
    name_ = "standard output";
    err_ = 0;
    file_ = stdout;
    owned_ = false;
    enlist();
}

void Channel::attach_buffer() {
    close();
    memory_ = true;
    mem_.clear();
}

void Channel::spill() {
    if (buf_.empty()) return;
    if (file_ && err_ == 0) {
        errno = 0;
        if (std::fwrite(buf_.data(), 1, buf_.size(), file_) != buf_.size()) fail(errno);
    } else if (memory_) {
        mem_ += buf_;
    }
    buf_.clear();
}

bool Channel::flush() {
    spill();
    if (file_ && err_ == 0) {
        errno = 0;
        if (std::fflush(file_) != 0) fail(errno);
    }
    return err_ == 0;
}

bool Channel::close() {
    flush();
    delist();
    if (file_ && owned_) {
        errno = 0;
        if (std::fclose(file_) != 0) fail(errno);
    }
    file_ = nullptr;
    owned_ = false;
    return err_ == 0;
}

void Channel::write_line(std::string_view bytes) {
    stop_point();
    if (!file_ && !memory_) return;
    if (file_ && file_ != stdout && bytes.size() >= LONG_LINE) {
        spill();
        if (err_ == 0) {
            errno = 0;
            if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) fail(errno);
        }
        buf_ += '\n';
        return;
    }
    buf_.append(bytes);
    buf_ += '\n';
    if (file_ == stdout) flush();
    else if (buf_.size() >= SPILL) spill();
}

void Channel::empty(int n) {
    for (int i = 0; i < n; ++i) write_line({});
}

// ---- Rec -------------------------------------------------------------------------

Rec& Rec::text(const char* utf8) {
    if (!live_) return *this;
    pad();
    const std::string_view u(utf8);
    room(s_, u.size());
    append_latin1(s_, u);
    return *this;
}
Rec& Rec::text(const char* utf8, int w) {
    if (!live_) return *this;
    pad();
    room(s_, static_cast<size_t>(std::max(w, 0)));
    if (ascii(utf8)) put_A(s_, utf8, w);
    else put_A(s_, latin1(utf8), w);
    return *this;
}
Rec& Rec::data(const Text& t) {
    if (!live_) return *this;
    pad();
    room(s_, t.bytes().size());
    s_.append(t.bytes());
    return *this;
}
Rec& Rec::data(const Text& t, int w) {
    if (!live_) return *this;
    pad();
    room(s_, static_cast<size_t>(std::max(w, 0)));
    put_A(s_, t.bytes(), w);
    return *this;
}

void Rec::end() {
    if (done_) return;
    done_ = true;
    ch_->write_line(s_);
    ch_->release_line(s_);
}

// ---- List ------------------------------------------------------------------------

void List::sep(bool is_text) {
    // A record starts with a blank; items are separated by one blank, except
    // that two adjacent texts touch.
    if (!any_ || !(is_text && last_text_)) s_ += ' ';
    any_ = true;
    last_text_ = is_text;
}

List& List::lit(std::string_view utf8) {
    room(s_, utf8.size() + 1);
    sep(true);
    append_latin1(s_, utf8);
    return *this;
}
List& List::text(const Text& t) {
    room(s_, t.bytes().size() + 1);
    sep(true);
    s_.append(t.bytes());
    return *this;
}
// A number item always follows one blank: it is written with it as one wider field.
List& List::integer(int32_t v) {
    any_ = true;
    last_text_ = false;
    put_I(s_, v, 12);
    return *this;
}
List& List::real(float v) {
    any_ = true;
    last_text_ = false;
    list_real(s_, v, 1);
    return *this;
}
List& List::real(double v) {
    sep(false);
    put_list_real(s_, v);
    return *this;
}

void List::end() {
    if (done_) return;
    done_ = true;
    ch_->write_line(s_);
    ch_->release_line(s_);
}

} // namespace qb

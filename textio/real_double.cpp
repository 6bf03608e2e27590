// Plain line forms of double-precision values (the opt-in double-precision
// arithmetic): fixed fields by the exact decimal value, rounded to nearest
// with ties to even (std::to_chars, exact), and the list-directed layout of a
// double: 17 significant digits. The fast forms in lineform.cpp fall back to
// these wherever their integer arithmetic does not reach.

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "textio/lineform.h"

namespace qb {

namespace {

void stars(std::string& out, int w) { out.append(static_cast<size_t>(w > 0 ? w : 0), '*'); }

void right(std::string& out, std::string_view s, int w) {
    if (static_cast<int>(s.size()) > w) { stars(out, w); return; }
    out.append(static_cast<size_t>(w) - s.size(), ' ');
    out.append(s);
}

bool special(std::string& out, double v, int w) {
    if (std::isnan(v)) { right(out, "NaN", w); return true; }
    if (std::isinf(v)) { right(out, v < 0 ? "-Infinity" : "Infinity", w); return true; }
    return false;
}

} // namespace

void put_F_plain(std::string& out, double v, int w, int d) {
    if (special(out, v, w)) return;
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::fixed, d);
    std::string_view digits(buf, r.ec == std::errc() ? static_cast<size_t>(r.ptr - buf) : 0);
    const bool neg = std::signbit(v);
    int need = static_cast<int>(digits.size()) + (neg ? 1 : 0);
    // Fortran keeps the leading zero of "0.xx" only when the field has room.
    if (need > w && digits.size() > 1 && digits[0] == '0' && digits[1] == '.') {
        digits.remove_prefix(1);
        --need;
    }
    if (need > w) { stars(out, w); return; }
    out.append(static_cast<size_t>(w - need), ' ');
    if (neg) out += '-';
    out.append(digits);
}

void put_E(std::string& out, double v, int w, int d) {
    if (special(out, v, w)) return;
    const bool neg = std::signbit(v);
    const double a = std::fabs(v);
    std::string s = neg ? "-0." : "0.";
    int ex = 0;
    if (a == 0.0) {
        s.append(static_cast<size_t>(d), '0');
    } else if (d > 0) {
        char buf[400];
        const auto r = std::to_chars(buf, buf + sizeof buf - 1, a, std::chars_format::scientific, d - 1);
        *r.ptr = '\0';
        const char* e = std::strchr(buf, 'e');
        for (const char* p = buf; p < e; ++p)
            if (*p >= '0' && *p <= '9') s += *p;
        ex = std::atoi(e + 1) + 1;
    }
    char eb[16];
    const int ae = ex < 0 ? -ex : ex;
    if (ae <= 99) std::snprintf(eb, sizeof eb, "E%c%02d", ex < 0 ? '-' : '+', ae);
    else std::snprintf(eb, sizeof eb, "%c%03d", ex < 0 ? '-' : '+', ae);
    s += eb;
    if (static_cast<int>(s.size()) > w) s.erase(neg ? 1 : 0, 1);   // the optional leading zero
    right(out, s, w);
}

void put_list_real_plain(std::string& out, double v) {
    constexpr int W = 25, DIGITS = 17;
    if (special(out, v, W)) return;
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

} // namespace qb

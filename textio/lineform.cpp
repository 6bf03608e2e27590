#include "textio/lineform.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include "textio/stop.h"

namespace qb {

namespace {

void stars(std::string& out, int w) { out.append(static_cast<size_t>(w > 0 ? w : 0), '*'); }

void right(std::string& out, std::string_view s, int w) {
    if (static_cast<int>(s.size()) > w) { stars(out, w); return; }
    out.append(static_cast<size_t>(w) - s.size(), ' ');
    out.append(s);
}

constexpr double POW10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12};
constexpr uint64_t UPOW10[] = {1ull, 10ull, 100ull, 1000ull, 10000ull, 100000ull, 1000000ull, 10000000ull,
                               100000000ull, 1000000000ull, 10000000000ull, 100000000000ull, 1000000000000ull};

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

// |v| rounded to `d` decimals, as "III.FFF" (round half even on the exact
// binary value). A float holds at most 24 significant bits, so for d <= 12
// the product |v|·10^d (24 + 28 bits) is exact in double precision and the
// rounding to an integer is the only one made.
std::string_view fixed_digits(double a, int d, char* buf, size_t cap) {
    if (d >= 0 && d <= 12) {
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
    std::string_view sv(buf, static_cast<size_t>(n > 0 ? n : 0));
    return sv;
}

// Nine significant digits of a > 0 and its decimal exponent x10
// (a ~ d.dddddddd · 10^x10), rounded half even on the exact value.
void nine_digits(double a, char* dig, int& x10) {
    if (a >= 1e-4 && a < 1e9) {
        int e = static_cast<int>(std::floor(std::log10(a)));
        for (int tries = 0; tries < 4; ++tries) {
            const int k = 8 - e;
            if (k < 0 || k > 12) break;
            const double v = a * POW10[k];   // exact, see fixed_digits
            if (v < 1e8) { --e; continue; }
            if (v >= 1e9) { ++e; continue; }
            const double r = std::nearbyint(v);
            if (r >= 1e9) { ++e; continue; }
            digits_of(static_cast<uint64_t>(r), dig);
            x10 = e;
            return;
        }
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.8e", a);
    const char* e = std::strchr(buf, 'e');
    int nd = 0;
    for (const char* p = buf; p < e && nd < 9; ++p)
        if (*p >= '0' && *p <= '9') dig[nd++] = *p;
    x10 = std::atoi(e + 1);
}

} // namespace

void put_I(std::string& out, int32_t v, int w) {
    char buf[16];
    int n = 0;
    const int64_t x = v;
    if (x < 0) buf[n++] = '-';
    n += digits_of(static_cast<uint64_t>(x < 0 ? -x : x), buf + n);
    right(out, std::string_view(buf, static_cast<size_t>(n)), w);
}

void put_F(std::string& out, float v, int w, int d) {
    if (std::isnan(v)) { right(out, "NaN", w); return; }
    if (std::isinf(v)) {
        std::string_view s = v < 0 ? (w >= 9 ? "-Infinity" : "-Inf") : (w >= 8 ? "Infinity" : "Inf");
        if (static_cast<int>(s.size()) > w) s = v < 0 ? "-Inf" : (w >= 3 ? "Inf" : "");
        right(out, s, w);
        return;
    }
    bool neg = std::signbit(v);
    char buf[512];
    std::string_view digits = fixed_digits(std::fabs(static_cast<double>(v)), d, buf, sizeof buf);
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

void put_E(std::string& out, float v, int w, int d) {
    if (std::isnan(v)) { right(out, "NaN", w); return; }
    if (std::isinf(v)) { right(out, v < 0 ? "-Infinity" : "Infinity", w); return; }
    bool neg = std::signbit(v);
    double a = std::fabs(static_cast<double>(v));
    std::string mant;
    int ex = 0;
    if (a == 0.0) {
        mant.assign(static_cast<size_t>(d), '0');
        ex = 0;
    } else {
        // 0.ddd form: d significant digits.
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*e", d > 0 ? d - 1 : 0, a);
        // buf: D.DDDe+XX
        const char* e = std::strchr(buf, 'e');
        for (const char* p = buf; p < e; ++p)
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

void put_A(std::string& out, std::string_view bytes, int w) {
    if (w <= 0) return;
    if (static_cast<int>(bytes.size()) >= w) {
        out.append(bytes.substr(0, static_cast<size_t>(w)));
    } else {
        out.append(static_cast<size_t>(w) - bytes.size(), ' ');
        out.append(bytes);
    }
}

void put_list_int(std::string& out, int32_t v) { put_I(out, v, 11); }

void put_list_real(std::string& out, float v) {
    constexpr int W = 16;
    if (std::isnan(v)) { right(out, "NaN", W); return; }
    if (std::isinf(v)) { right(out, v < 0 ? "-Infinity" : "Infinity", W); return; }
    bool neg = std::signbit(v);
    double a = std::fabs(static_cast<double>(v));
    std::string s;
    if (neg) s += '-';
    if (a == 0.0) {
        s += "0.00000000";
        right(out, s, W - 4);
        out.append(4, ' ');
        return;
    }
    char dig[9];
    int x10 = 0;                                     // a ~ d.dddddddd * 10^x10
    nine_digits(a, dig, x10);
    int ee = x10 + 1;                                // 10^(ee-1) <= a < 10^ee
    if (ee >= 0 && ee <= 9) {
        // F form with 9 - ee decimals, in 12 columns, then 4 blanks
        if (ee == 0) {
            s += "0.";
            s.append(dig, 9);
        } else {
            s.append(dig, static_cast<size_t>(ee));
            s += '.';
            s.append(dig + ee, static_cast<size_t>(9 - ee));
        }
        right(out, s, W - 4);
        out.append(4, ' ');
    } else {
        s += dig[0];
        s += '.';
        s.append(dig + 1, 8);
        char eb[16];
        std::snprintf(eb, sizeof eb, "E%c%02d", x10 < 0 ? '-' : '+', x10 < 0 ? -x10 : x10);
        s += eb;
        right(out, s, W);
    }
}

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

bool ascii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

void append_latin1(std::string& out, std::string_view utf8) {
    if (ascii(utf8)) out.append(utf8);
    else out += latin1(utf8);
}

// ---- Channel -------------------------------------------------------------------

namespace {
Channel::FailureAction failure_action_ = nullptr;
} // namespace

void Channel::on_failure(FailureAction action) { failure_action_ = action; }

Channel::~Channel() { close(); }

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
    // The channel buffers whole blocks itself: each spill is one write, whose
    // failure is seen at once.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    buf_.reserve(1 << 16);
}

void Channel::attach_stdout() {
    close();
    name_ = "standard output";
    err_ = 0;
    file_ = stdout;
    owned_ = false;
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
    buf_.append(bytes);
    buf_ += '\n';
    if (file_ == stdout) flush();
    else if (buf_.size() >= (1u << 16)) spill();
}

void Channel::empty(int n) {
    for (int i = 0; i < n; ++i) write_line({});
}

// ---- Rec -------------------------------------------------------------------------

Rec& Rec::text(const char* utf8) {
    if (live_) { pad(); append_latin1(s_, utf8); }
    return *this;
}
Rec& Rec::text(const char* utf8, int w) {
    if (!live_) return *this;
    pad();
    if (ascii(utf8)) put_A(s_, utf8, w);
    else put_A(s_, latin1(utf8), w);
    return *this;
}
Rec& Rec::data(const Text& t) {
    if (live_) { pad(); s_.append(t.bytes()); }
    return *this;
}
Rec& Rec::data(const Text& t, int w) {
    if (live_) { pad(); put_A(s_, t.bytes(), w); }
    return *this;
}

void Rec::end() {
    if (done_) return;
    done_ = true;
    ch_->write_line(s_);
}

// ---- List ------------------------------------------------------------------------

void List::sep(bool is_text) {
    // A record starts with a blank; items are separated by one blank, except
    // that two adjacent texts touch.
    if (!any_ || !(is_text && last_text_)) s_ += ' ';
    any_ = true;
    last_text_ = is_text;
}

List& List::lit(std::string_view utf8) { sep(true); append_latin1(s_, utf8); return *this; }
List& List::text(const Text& t) { sep(true); s_.append(t.bytes()); return *this; }
List& List::integer(int32_t v) { sep(false); put_list_int(s_, v); return *this; }
List& List::real(float v) { sep(false); put_list_real(s_, v); return *this; }

void List::end() {
    if (done_) return;
    done_ = true;
    ch_->write_line(s_);
}

} // namespace qb

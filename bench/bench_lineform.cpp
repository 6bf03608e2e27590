// Output speed of the line forms, in MB/s of text written through a Channel
// (to /dev/null, so the disk does not enter), for the three shapes of line that
// make most of the working log:
//   F20.8 rows    one record per matrix row, 2000 values (the coupled-matrix dump),
//                 dense, and with 1 % nonzeros as the coupled matrix has them
//   F12.6 records an I6 label and six F12.6 values (displacement tables)
//   list reals    free-format lines of twelve reals
//   list ints     free-format lines of texts and integers ("para el nodo ... ngn= ...")
// Each shape is timed with the straightforward snprintf formatting kept below
// ("before") and with the library ("after"), in the same run, and the bytes of
// both are compared.
//
//   bench_lineform [seconds per measurement]   (default 0.3)
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "textio/lineform.h"

using namespace qb;

namespace {

// ---- the snprintf formatting, as the line forms were first written --------------
namespace before {

void right(std::string& out, std::string_view s, int w) {
    if (static_cast<int>(s.size()) > w) { out.append(static_cast<size_t>(w > 0 ? w : 0), '*'); return; }
    out.append(static_cast<size_t>(w) - s.size(), ' ');
    out.append(s);
}

void put_I(std::string& out, int32_t v, int w) {
    char buf[16];
    int n = std::snprintf(buf, sizeof buf, "%d", v);
    right(out, std::string_view(buf, static_cast<size_t>(n)), w);
}

void put_F(std::string& out, float v, int w, int d) {
    if (std::isnan(v)) { right(out, "NaN", w); return; }
    if (std::isinf(v)) { right(out, v < 0 ? "-Infinity" : "Infinity", w); return; }
    bool neg = std::signbit(v);
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.*f", d, std::fabs(static_cast<double>(v)));
    std::string digits = buf;
    if (d == 0) digits += '.';
    int need = static_cast<int>(digits.size()) + (neg ? 1 : 0);
    if (need > w && digits.size() > 1 && digits[0] == '0' && digits[1] == '.') {
        digits.erase(0, 1);
        need--;
    }
    if (need > w) { out.append(static_cast<size_t>(w > 0 ? w : 0), '*'); return; }
    out.append(static_cast<size_t>(w - need), ' ');
    if (neg) out += '-';
    out += digits;
}

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
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.8e", a);
    const char* e = std::strchr(buf, 'e');
    char dig[9];
    int nd = 0;
    for (const char* p = buf; p < e && nd < 9; ++p)
        if (*p >= '0' && *p <= '9') dig[nd++] = *p;
    int x10 = std::atoi(e + 1);
    int ee = x10 + 1;
    if (ee >= 0 && ee <= 9) {
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

// Free-format line: leading blank, one blank between items, texts touching.
struct List {
    explicit List(Channel& c) : ch(c) {}
    Channel& ch;
    std::string s;
    bool last_text = false;
    void sep(bool text) {
        if (s.empty() || !(text && last_text)) s += ' ';
        last_text = text;
    }
    List& operator<<(const char* t) { sep(true); s += t; return *this; }
    List& operator<<(int32_t v) { sep(false); put_I(s, v, 11); return *this; }
    List& operator<<(float v) { sep(false); put_list_real(s, v); return *this; }
    ~List() { ch.write_line(s); }
};

} // namespace before

// ---- workloads --------------------------------------------------------------------
// Magnitudes spread over the range a log meets: flexibilities of 1e-8..1e-2,
// stiffness terms up to 1e6, exact zeros and ones, both signs.
std::vector<float> values(size_t n, uint32_t seed, float lo_exp, float hi_exp) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> ex(lo_exp, hi_exp);
    std::uniform_int_distribution<int> kind(0, 9);
    std::vector<float> v(n);
    for (auto& x : v) {
        const int k = kind(gen);
        if (k == 0) x = 0.0f;
        else if (k == 1) x = 1.0f;
        else x = (k % 2 ? -1.0f : 1.0f) * std::pow(10.0f, ex(gen));
    }
    return v;
}

constexpr int ROWS = 100, COLS = 2000;

struct Work {
    const char* name;
    std::function<void(Channel&)> before, after;
};

double seconds_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The best MB/s of a pass that writes `bytes` over repeated passes within
// `budget` seconds.
double mb_per_s(const std::function<void(Channel&)>& pass, double budget, size_t bytes) {
    Channel ch;
    if (!ch.open("/dev/null")) return 0.0;
    double best = 1e30;
    const auto start = std::chrono::steady_clock::now();
    do {
        const auto t0 = std::chrono::steady_clock::now();
        pass(ch);
        ch.flush();
        const double s = seconds_since(t0);
        if (s < best) best = s;
    } while (seconds_since(start) < budget);
    return static_cast<double>(bytes) / best * 1e-6;
}

std::string memory_of(const std::function<void(Channel&)>& pass) {
    Channel m;
    m.attach_buffer();
    pass(m);
    m.flush();
    return m.memory();
}

} // namespace

int main(int argc, char** argv) {
    const double budget = argc > 1 ? std::atof(argv[1]) : 0.3;
    const std::vector<float> mat = values(static_cast<size_t>(ROWS) * COLS, 1, -9.0f, 4.0f);
    std::vector<float> sparse = mat;
    for (size_t k = 0; k < sparse.size(); ++k)
        if (k % 100 != 0) sparse[k] = 0.0f;
    const std::vector<float> disp = values(6 * 20000, 2, -7.0f, 1.5f);
    const std::vector<float> reals = values(12 * 20000, 3, -10.0f, 10.0f);

    std::vector<Work> works;
    works.push_back({"F20.8 rows",
                     [&](Channel& ch) {
                         std::string line;
                         for (int i = 0; i < ROWS; ++i) {
                             line.clear();
                             for (int j = 0; j < COLS; ++j) before::put_F(line, mat[static_cast<size_t>(i) * COLS + j], 20, 8);
                             ch.write_line(line);
                         }
                     },
                     [&](Channel& ch) {
                         std::string line;
                         for (int i = 0; i < ROWS; ++i) {
                             line.clear();
                             for (int j = 0; j < COLS; ++j) put_F(line, mat[static_cast<size_t>(i) * COLS + j], 20, 8);
                             ch.write_line(line);
                         }
                     }});
    works.push_back({"F20.8 rows 1%",
                     [&](Channel& ch) {
                         std::string line;
                         for (int i = 0; i < ROWS; ++i) {
                             line.clear();
                             for (int j = 0; j < COLS; ++j) before::put_F(line, sparse[static_cast<size_t>(i) * COLS + j], 20, 8);
                             ch.write_line(line);
                         }
                     },
                     [&](Channel& ch) {
                         std::string line;
                         for (int i = 0; i < ROWS; ++i) {
                             line.clear();
                             for (int j = 0; j < COLS; ++j) put_F(line, sparse[static_cast<size_t>(i) * COLS + j], 20, 8);
                             ch.write_line(line);
                         }
                     }});
    works.push_back({"F12.6 records",
                     [&](Channel& ch) {
                         std::string line;
                         for (size_t r = 0; r < disp.size() / 6; ++r) {
                             line.clear();
                             before::put_I(line, static_cast<int32_t>(r + 1), 6);
                             for (size_t c = 0; c < 6; ++c) before::put_F(line, disp[6 * r + c], 12, 6);
                             ch.write_line(line);
                         }
                     },
                     [&](Channel& ch) {
                         for (size_t r = 0; r < disp.size() / 6; ++r) {
                             Rec rec(ch);
                             rec.I(static_cast<int32_t>(r + 1), 6);
                             for (size_t c = 0; c < 6; ++c) rec.F(disp[6 * r + c], 12, 6);
                         }
                     }});
    works.push_back({"list reals",
                     [&](Channel& ch) {
                         for (size_t r = 0; r < reals.size() / 12; ++r) {
                             before::List l(ch);
                             for (size_t c = 0; c < 12; ++c) l << reals[12 * r + c];
                         }
                     },
                     [&](Channel& ch) {
                         for (size_t r = 0; r < reals.size() / 12; ++r) {
                             List l(ch);
                             for (size_t c = 0; c < 12; ++c) l << reals[12 * r + c];
                         }
                     }});
    works.push_back({"list ints",
                     [&](Channel& ch) {
                         for (int32_t r = 0; r < 200000; ++r) before::List(ch) << "para el nodo" << r << "ngn=" << 6 * r - 6;
                     },
                     [&](Channel& ch) {
                         for (int32_t r = 0; r < 200000; ++r) List(ch) << "para el nodo" << r << "ngn=" << 6 * r - 6;
                     }});

    Channel out;
    out.attach_stdout();
    Rec(out).text("shape             MB/pass  before MB/s   after MB/s   ratio");
    int status = 0;
    for (const Work& w : works) {
        const std::string written = memory_of(w.after);
        if (memory_of(w.before) != written) {
            Rec(out).text(w.name).text(": the two paths write different bytes");
            status = 1;
        }
        const size_t bytes = written.size();
        const double b = mb_per_s(w.before, budget, bytes);
        const double a = mb_per_s(w.after, budget, bytes);
        Rec(out).text(w.name).X(16 - static_cast<int>(std::strlen(w.name)))
            .F(static_cast<float>(bytes * 1e-6), 8, 2)
            .F(static_cast<float>(b), 13, 0)
            .F(static_cast<float>(a), 13, 0)
            .F(static_cast<float>(a / b), 8, 2);
    }
    out.flush();
    return status;
}

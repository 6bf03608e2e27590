// Small frames built directly in the model tables for the frame tests: one
// material "C" and section "S" (more may be added), nodes with restraint
// codes (1 fixed, 2 area reaction on DZ, 3 nodal reaction), bars with line
// loads; plus a dense double-precision solve of the assembled frame.
#pragma once

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "model/model.h"
#include "frame/assembly.h"
#include "frame/geometry.h"

namespace qbtest {

using namespace qb;
using Codes = std::array<int32_t, 6>;
constexpr Codes FIXED{1, 1, 1, 1, 1, 1}, FREE{0, 0, 0, 0, 0, 0}, SOIL{0, 0, 2, 0, 0, 0};

struct Frame {
    Model m;
    Io io;
    struct Bar { int32_t i, j; std::string sec; int32_t ncnd; std::array<float, 6> load; };
    std::vector<std::array<float, 3>> xyz;
    std::vector<Codes> codes;
    std::vector<Bar> bars;

    // E, ν, γ of material "C"; A, Iy, Iz, IRot of section "S"
    Frame(float E = 2.0e6f, float nu = 0.25f, float gamma = 0.0f, float A = 0.12f, float Iy = 1.6e-3f,
          float Iz = 9.0e-4f, float IRot = 2.5e-3f) {
        m.NMAT = 1;
        m.MATNOM.resize(1, "C"); m.PESOV.resize(1, gamma); m.EMAT.resize(1, E); m.NUMAT.resize(1, nu);
        section("S", "C", A, Iy, Iz, IRot);
    }
    void section(const char* name, const char* mat, float A, float Iy, float Iz, float IRot) {
        m.SECNOM.push_back(name); m.SECMAT.push_back(mat); m.AREA.push_back(A);
        m.Iy.push_back(Iy); m.Iz.push_back(Iz); m.IRot.push_back(IRot);
        m.NSEC = m.SECNOM.size();
    }
    int32_t node(float x, float y, float z, Codes c = FREE) {
        xyz.push_back({x, y, z});
        codes.push_back(c);
        return static_cast<int32_t>(xyz.size());
    }
    int32_t bar(int32_t i, int32_t j, std::array<float, 6> load = {}, const char* sec = "S", int32_t ncnd = 0) {
        bars.push_back({i, j, sec, ncnd, load});
        return static_cast<int32_t>(bars.size());
    }

    // Tables up to the direction cosines: lengths, SU, equation numbers.
    void build() {
        m.NN = static_cast<int32_t>(xyz.size());
        m.NB = static_cast<int32_t>(bars.size());
        m.NTOT = 6 * m.NN;
        m.COOR.resize(m.NN, 3);
        for (int32_t n = 1; n <= m.NN; ++n)
            for (int32_t k = 1; k <= 3; ++k) m.COOR(n, k) = xyz[size_t(n - 1)][size_t(k - 1)];
        for (Vec1<int32_t>* v : {&m.PI, &m.PJ, &m.NCND, &m.FDC, &m.SU}) v->resize(m.NB);
        m.SECBAR.resize(m.NB);
        m.CUNIF.resize(m.NB, 6);
        m.LBARRA.resize(m.NB);
        for (int32_t j = 1; j <= m.NB; ++j) {
            const Bar& b = bars[size_t(j - 1)];
            m.PI(j) = b.i; m.PJ(j) = b.j; m.SECBAR(j) = b.sec; m.NCND(j) = b.ncnd;
            for (int32_t t = 1; t <= 6; ++t) m.CUNIF(j, t) = b.load[size_t(t - 1)];
            m.SU(j) = codes[size_t(b.i - 1)][2] == 2 && codes[size_t(b.j - 1)][2] == 2;
            float s = 0.0f;
            for (int32_t k = 1; k <= 3; ++k) s += (m.COOR(b.j, k) - m.COOR(b.i, k)) * (m.COOR(b.j, k) - m.COOR(b.i, k));
            m.LBARRA(j) = std::sqrt(s);
        }
        m.NGL.resize(m.NTOT);
        int32_t e = 0;
        for (int32_t g = 1; g <= m.NTOT; ++g) {
            const int32_t k = (g - 1) % 6 + 1, code = codes[size_t((g - 1) / 6)][size_t(k - 1)];
            m.NGL(g) = code == 1 ? 0 : ++e;
            if (code == 2 && k == 3) m.NREAC.push_back(g);
            if (code == 3) m.NREACNOD.push_back(g);
        }
        m.NGRED = e;
        m.NR = m.NREAC.size();
        m.MR = m.NREACNOD.size();
        m.RIGAD.resize(m.NGRED);
        m.PCONC.resize(m.NGRED);
        m.PNOD.resize(m.NTOT);
        compute_direction_cosines(m, io);
    }
    void assemble() { build(); assemble_frame(m, io); }

    // Equation number of component k of node n (0 when fixed).
    int32_t eq(int32_t n, int32_t k) const { return m.NGL(6 * (n - 1) + k); }

    // Solves akr(1..NGRED, 1..NGRED)·d = PCONC - vered (Gaussian elimination
    // in double precision) and stores d in DESPL by global dof.
    std::vector<double> solve(const Vec1<float>& vered) {
        const size_t n = size_t(m.NGRED);
        std::vector<double> a(n * n), x(n);
        for (size_t i = 0; i < n; ++i) {
            x[i] = double(m.PCONC(int32_t(i + 1))) - double(vered(int32_t(i + 1)));
            for (size_t j = 0; j < n; ++j) a[i * n + j] = m.akr(int32_t(i + 1), int32_t(j + 1));
        }
        for (size_t c = 0; c < n; ++c) {
            size_t p = c;
            for (size_t r = c + 1; r < n; ++r)
                if (std::fabs(a[r * n + c]) > std::fabs(a[p * n + c])) p = r;
            for (size_t k = 0; k < n; ++k) std::swap(a[c * n + k], a[p * n + k]);
            std::swap(x[c], x[p]);
            for (size_t r = c + 1; r < n; ++r) {
                const double f = a[r * n + c] / a[c * n + c];
                for (size_t k = c; k < n; ++k) a[r * n + k] -= f * a[c * n + k];
                x[r] -= f * x[c];
            }
        }
        for (size_t r = n; r-- > 0;) {
            for (size_t k = r + 1; k < n; ++k) x[r] -= a[r * n + k] * x[k];
            x[r] /= a[r * n + r];
        }
        m.DESPL.resize(m.NTOT + m.NR + m.MR);
        for (int32_t g = 1; g <= m.NTOT; ++g) m.DESPL(g) = m.NGL(g) ? float(x[size_t(m.NGL(g) - 1)]) : 0.0f;
        return x;
    }
    // Displacement of component k of node n in the last solution.
    double d(int32_t n, int32_t k) const { return m.DESPL(6 * (n - 1) + k); }
};

inline bool contains(const std::string& s, const std::string& what) { return s.find(what) != std::string::npos; }

} // namespace qbtest

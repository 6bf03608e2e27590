// Small models for the unit tests, written straight into the model tables the
// way reading leaves them, plus the preparation steps the tests need and a set
// of in-memory output channels.
//
// Names are stored as the reader stores them, blank padded to 20 bytes. Node
// codes are those of the data file (0 free, 1 fixed), and a node may also be
// given the codes the numbering hands out (2 area reaction on DZ, 3 nodal
// reaction). A bar is a foundation bar when both its nodes stand on a soil
// profile, as in the reader.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "driver/io.h"
#include "frame/assembly.h"
#include "frame/geometry.h"
#include "frame/numbering.h"
#include "model/model.h"
#include "soil/profiles.h"
#include "soil/reaction_areas.h"

namespace qbtest {

using namespace qb;

using Codes = std::array<int32_t, 6>;
constexpr Codes FREE{0, 0, 0, 0, 0, 0}, FIXED{1, 1, 1, 1, 1, 1}, SOIL{0, 0, 2, 0, 0, 0};
using Loads = std::array<real, 6>;   // CVMax CVMed CVInst CMuerta PPropio PV

// Every channel of a run, kept in memory.
struct Outputs : Io {
    Outputs() {
        for (Channel* c : {&console, &report, &msh, &res, &log, &valinf}) c->attach_buffer();
    }
    // Everything written to `c` so far.
    static std::string text(Channel& c) {
        c.flush();
        return c.memory();
    }
    static std::vector<std::string> lines(Channel& c) {
        const std::string s = text(c);
        std::vector<std::string> v;
        for (size_t a = 0, b; a < s.size(); a = b + 1) {
            b = s.find('\n', a);
            if (b == std::string::npos) b = s.size();
            v.push_back(s.substr(a, b - a));
        }
        return v;
    }
    // Drops what `c` holds (a log restarted between two steps).
    static void clear(Channel& c) { c.attach_buffer(); }
};

inline bool contains(const std::string& s, const std::string& what) { return s.find(what) != std::string::npos; }

// Section constants; the base is the footing width of a foundation bar.
struct Section {
    real A = 0.0f, Iy = 0.0f, Iz = 0.0f, IRot = 0.0f, base = 0.0f;
};

// One stratum: thickness and unit weight (depths and in-situ pressures follow
// from them) and the properties of the analysis cases.
struct Stratum {
    real H = 1.0f, GAMA = 1.8f;
    real E1 = 0, NU1 = 0, E2 = 0, NU2 = 0, SLAB = 0, KO = 0, K = 0, N = 0, EMV = 0, EMT = 0, PSI = 0, T = 0;
};

class ModelBuilder {
public:
    Model m;
    FrameSystem frame;
    CaseState st;

    ModelBuilder() {
        const char* units[6] = {"", "t", "m", "t/m", "t/m2", "t/m3"};
        for (size_t i = 1; i <= 5; ++i) m.UNID[i] = Text(units[i]).field(limits::UNIT);
    }

    static Text name(const char* s) { return Text(s).field(limits::NAME); }

    int32_t material(const char* nm, real E, real nu, real gamma) {
        m.MATNOM.push_back(name(nm));
        m.EMAT.push_back(E);
        m.NUMAT.push_back(nu);
        m.PESOV.push_back(gamma);
        return m.NMAT = m.MATNOM.size();
    }

    int32_t section(const char* nm, const char* mat, Section s) {
        m.SECNOM.push_back(name(nm));
        m.SECMAT.push_back(name(mat));
        m.AREA.push_back(s.A);
        m.Iy.push_back(s.Iy);
        m.Iz.push_back(s.Iz);
        m.IRot.push_back(s.IRot);
        m.BASE.push_back(s.base);
        m.ALTURA.push_back(0.0f);
        return m.NSEC = m.SECNOM.size();
    }

    // A soil profile; the depths and pressures of its strata come from the
    // program's own stratum_state. Add every profile before editing the soil
    // tables: each new profile writes them all again.
    int32_t profile(std::vector<Stratum> strata) {
        profiles_.push_back(std::move(strata));
        Soil& s = m.soil;
        const real pa = s.PA;
        s.resize(static_cast<int32_t>(profiles_.size()));
        s.PA = pa;
        for (int32_t p = 1; p <= s.NPS; ++p) {
            const std::vector<Stratum>& v = profiles_[size_t(p - 1)];
            s.NEST(p) = static_cast<int32_t>(v.size());
            for (int32_t k = 1; k <= s.NEST(p); ++k) {
                const Stratum& t = v[size_t(k - 1)];
                s.H(p, k) = t.H; s.GAMA(p, k) = t.GAMA;
                s.E1(p, k) = t.E1; s.NU1(p, k) = t.NU1; s.E2(p, k) = t.E2; s.NU2(p, k) = t.NU2;
                s.SLAB(p, k) = t.SLAB; s.KO(p, k) = t.KO; s.K(p, k) = t.K; s.N(p, k) = t.N;
                s.EMV(p, k) = t.EMV; s.EMT(p, k) = t.EMT; s.PSI(p, k) = t.PSI; s.T(p, k) = t.T;
                stratum_state(m, p, k, Trace());
            }
        }
        return s.NPS;
    }

    // Node at (x, y, z) with its restraint codes, soil profile (0 none) and
    // foundation depth. Its reaction point is the node; its loaded
    // rectangles, reaction length and area start at zero.
    int32_t node(real x, real y, real z, Codes c = FREE, int32_t perfil = 0, real df = 0.0f) {
        const int32_t n = ++m.NN;
        m.NTOT = 6 * n;
        m.node_label.push_back(n);
        m.node_line.push_back(0);
        add_row(m.COOR, {x, y, z});
        add_row(m.NRES, {c[0], c[1], c[2], c[3], c[4], c[5]});
        m.PERFIL.push_back(perfil);
        m.PERFN.push_back(perfil);
        m.DF.push_back(df);
        m.connected.push_back(0);
        m.XR.push_back(x);
        m.YR.push_back(y);
        for (Mat1<real>* t : {&m.XI, &m.YI, &m.XF, &m.YF}) add_row(*t, {0.0f, 0.0f});
        for (Vec1<real>* t : {&m.LONGREAC, &m.AREAREAC})
            for (int32_t k = 1; k <= 6; ++k) t->push_back(0.0f);
        return n;
    }

    // Bar from node i to node j with its line loads, section and end releases.
    int32_t bar(int32_t i, int32_t j, Loads q = {}, const char* sec = "S", int32_t ncnd = 0) {
        const int32_t b = ++m.NB;
        m.bar_label.push_back(b);
        m.PI.push_back(i);
        m.PJ.push_back(j);
        m.SECBAR.push_back(name(sec));
        m.NCND.push_back(ncnd);
        m.FDC.push_back(0);
        m.GIRO.push_back(0.0f);
        add_row(m.CUNIF, std::vector<real>(q.begin(), q.end()));
        m.SU.push_back(m.PERFIL(i) >= 1 && m.PERFIL(j) >= 1 ? 1 : 0);
        m.connected(i) = m.connected(j) = 1;
        return b;
    }

    int32_t footing(int32_t n, real width, real length, real thickness = 0.5f) {
        const int32_t f = ++m.NZAP;
        m.footing_label.push_back(f);
        m.footing_line.push_back(0);
        m.ANCHOZ.push_back(width);
        m.LARGOZ.push_back(length);
        m.ESPZ.push_back(thickness);
        m.NODOZ.push_back(n);
        return f;
    }

    // Slab over the corners NI NJ NK NL with its six surface loads.
    int32_t slab(int32_t label, std::array<int32_t, 4> corners, real thickness, const char* mat, Loads q) {
        const int32_t s = ++m.NLOS;
        m.slab_label.push_back(label);
        m.slab_line.push_back(0);
        add_row(m.NLOSA, std::vector<int32_t>(corners.begin(), corners.end()));
        m.HLOSA.push_back(thickness);
        m.MATLOSA.push_back(name(mat));
        add_row(m.CLOSA, std::vector<real>(q.begin(), q.end()));
        return s;
    }

    // What compute_reaction_areas would give node n: its reaction length and
    // area (at its DZ) and its loaded rectangle in direction d.
    void reaction_area(int32_t n, real length, real area) {
        m.LONGREAC(dof(n, DZ)) = length;
        m.AREAREAC(dof(n, DZ)) = area;
    }
    void rect(int32_t n, int32_t d, real xi, real yi, real xf, real yf) {
        m.XI(n, d) = xi; m.YI(n, d) = yi; m.XF(n, d) = xf; m.YF(n, d) = yf;
        m.NDIRMAX = std::max(m.NDIRMAX, d);
    }

    // ---- preparation steps --------------------------------------------------

    void lengths() {
        m.LBARRA.resize(m.NB);
        for (int32_t j = 1; j <= m.NB; ++j) m.LBARRA(j) = distance(m, m.PI(j), m.PJ(j));
    }

    // The program's numbering, except that every node counts as connected:
    // the tests build nodes without bars (reaction points, loose dofs) and
    // want them as their codes say. Loads and springs by equation start at 0.
    void number(Trace log = Trace()) {
        m.connected.fill(1);
        number_dofs(m, log);
        m.PCONC.resize(m.NTOT);
        m.RIGAD.resize(m.NTOT);
    }

    void cosines(Trace log = Trace()) { compute_direction_cosines(m, log); }

    // Everything the assembly needs, then the assembly.
    void prepare() {
        lengths();
        number();
        cosines();
    }
    void assemble(Trace log = Trace()) {
        prepare();
        assemble_frame(m, frame, log);
    }

    // Equation number of component k of node n (0 when fixed).
    int32_t eq(int32_t n, int32_t k) const { return m.NGL(dof(n, k)); }

    // Solves akr(1..NGRED, 1..NGRED) d = PCONC - vered in double precision
    // (an independent check of the single-precision solver) and keeps d in
    // DESPL by global dof, the reactions after NTOT at zero.
    void solve(const Vec1<real>& vered) {
        const size_t n = size_t(m.NGRED);
        std::vector<double> a(n * n), x(n);
        for (size_t i = 0; i < n; ++i) {
            x[i] = double(m.PCONC(int32_t(i + 1))) - double(vered(int32_t(i + 1)));
            for (size_t j = 0; j < n; ++j) a[i * n + j] = frame.akr(int32_t(i + 1), int32_t(j + 1));
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
        st.clear(m);
        for (int32_t g = 1; g <= m.NTOT; ++g) st.DESPL(g) = m.NGL(g) ? real(x[size_t(m.NGL(g) - 1)]) : 0.0f;
    }
    // Component k of node n in the last solution.
    double d(int32_t n, int32_t k) const { return st.DESPL(dof(n, k)); }

private:
    // A table grown by one row, keeping what it holds.
    template <class T>
    static void add_row(Mat1<T>& t, const std::type_identity_t<std::vector<T>>& row) {
        Mat1<T> g(t.rows() + 1, std::max(t.cols(), static_cast<int32_t>(row.size())));
        for (int32_t j = 1; j <= t.cols(); ++j)
            for (int32_t i = 1; i <= t.rows(); ++i) g(i, j) = t(i, j);
        for (int32_t j = 1; j <= static_cast<int32_t>(row.size()); ++j) g(g.rows(), j) = row[size_t(j - 1)];
        t = std::move(g);
    }

    std::vector<std::vector<Stratum>> profiles_;
};

// The members of the frame tests: material "C" and section "S".
inline ModelBuilder frame_members(real E = 2.0e6f, real nu = 0.25f, real gamma = 0.0f, real A = 0.12f) {
    ModelBuilder b;
    b.material("C", E, nu, gamma);
    b.section("S", "C", {.A = A, .Iy = 1.6e-3f, .Iz = 9.0e-4f, .IRot = 2.5e-3f});
    return b;
}

// The plane frame on a 1.2 m wide strip footing of the bundled example
// "marco_zapatas", as far as its soil goes: reactions at x = 0, 5, 10 one
// metre deep, two strata, laboratory moduli, the loaded rectangles of one
// direction.
inline ModelBuilder strip_footing_frame() {
    ModelBuilder b;
    b.profile({{.H = 3.0f, .E1 = 2000.0f, .NU2 = 0.35f, .EMT = 1200.0f, .PSI = 0.5f, .T = 1.0f},
               {.H = 10.0f, .E1 = 6000.0f, .NU2 = 0.30f, .EMT = 4000.0f, .PSI = 0.5f, .T = 1.0f}});
    for (int32_t n = 0; n < 3; ++n) b.node(5.0f * real(n), 0, 0, SOIL, 1, 1.0f);
    for (int32_t n = 0; n < 3; ++n) b.node(5.0f * real(n), 0, 3);
    b.number();
    b.reaction_area(1, 2.5f, 3.0f);
    b.reaction_area(2, 5.0f, 6.0f);
    b.reaction_area(3, 2.5f, 3.0f);
    b.rect(1, 1, 0.0f, -0.6f, 2.5f, 0.6f);
    b.rect(2, 1, 2.5f, -0.6f, 7.5f, 0.6f);
    b.rect(3, 1, 7.5f, -0.6f, 10.0f, 0.6f);
    b.m.nflag1 = 3;
    return b;
}

} // namespace qbtest

#include "soil/reaction_areas.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "textio/errors.h"

namespace qb::inline QB_ARITH {

namespace {

// Vertical degree of freedom of node n: reaction lengths and areas live there.
int32_t dz_dof(int32_t n) { return dof(n, DZ); }

} // namespace

real distance(const Model& m, int32_t a, int32_t b) {
    const real dx = m.COOR(b, 1) - m.COOR(a, 1);
    const real dy = m.COOR(b, 2) - m.COOR(a, 2);
    const real dz = m.COOR(b, 3) - m.COOR(a, 3);
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

namespace {

// Width of the bar's section (last section of that name wins; 0 if none).
real section_base(const Model& m, int32_t bar) {
    const int32_t s = m.find_section(m.SECBAR(bar));
    return s != 0 ? m.BASE(s) : 0.0_r;
}

// Unit weight of the named material (last of that name wins; 0 if none).
real unit_weight(const Model& m, const Text& name) {
    const int32_t k = m.find_material(name);
    return k != 0 ? m.PESOV(k) : 0.0_r;
}

// Grow a rectangle corner: lower corners move down/left, upper corners up/right.
void lower(real& v, real x) { v = std::min(v, x); }
void upper(real& v, real x) { v = std::max(v, x); }

// The four edge bars of a slab, in increasing bar number, and which side each
// one carries: 1 NI-NJ, 2 NJ-NK, 3 NK-NL, 4 NL-NI (sides 1 and 3 have length
// Q, sides 2 and 4 length P). A bar joining two opposite corners is not an edge.
struct SlabEdges {
    int32_t bar[4] = {0, 0, 0, 0};
    int32_t side[4] = {0, 0, 0, 0};
};

// "datos.dat:57: slab 1", pointing at the slab's line of the data file.
std::string slab_name(const Model& m, int32_t s) {
    const int32_t label = s <= m.slab_label.size() ? m.slab_label(s) : s;
    std::string where;
    if (!m.data_name.empty() && s <= m.slab_line.size())
        where = m.data_name + ":" + std::to_string(m.slab_line(s)) + ": ";
    return where + "slab " + std::to_string(label);
}

// The distribution of slab loads and the quarter-slab reaction rectangles
// assume a plan rectangle whose sides are bars, with NI lower-left, NJ
// lower-right, NK upper-right and NL upper-left. Anything else is refused
// before any table is touched.
SlabEdges slab_edges(const Model& m, int32_t s) {
    int32_t c[5] = {0, 0, 0, 0, 0};   // corners 1..4: NI NJ NK NL
    for (int32_t k = 1; k <= 4; ++k) {
        c[k] = m.NLOSA(s, k);
        if (c[k] < 1 || c[k] > m.NN)
            throw InputError(slab_name(m, s) + ": corner node " + std::to_string(c[k]) + " does not exist");
    }

    // Side k runs from corner k to corner k+1 along the axis `axis` (1 X,
    // 2 Y) in the direction `sense`; the same 0.9999 cosine that separates the
    // directions of the strip footings decides "along".
    static const int axis[5] = {0, 1, 2, 1, 2};
    static const real sense[5] = {0.0_r, 1.0_r, 1.0_r, -1.0_r, -1.0_r};
    for (int32_t k = 1; k <= 4; ++k) {
        const int32_t a = c[k], b = c[k % 4 + 1];
        const real len = distance(m, a, b);
        const real d = sense[k] * (m.COOR(b, axis[k]) - m.COOR(a, axis[k]));
        if (!(len > 0.0_r && d / len > 0.9999_r))
            throw InputError(slab_name(m, s) +
                             ": corners must run NI->NJ along +X, NJ->NK along +Y, NK->NL along -X and NL->NI along -Y");
    }

    SlabEdges e;
    int32_t count[5] = {0, 0, 0, 0, 0};
    int32_t n = 0;
    for (int32_t j = 1; j <= m.NB; ++j) {
        const int32_t pi = m.PI(j), pj = m.PJ(j);
        for (int32_t k = 1; k <= 4; ++k) {
            const int32_t a = c[k], b = c[k % 4 + 1];
            if ((pi == a && pj == b) || (pi == b && pj == a)) {
                ++count[k];
                if (n < 4) { e.bar[n] = j; e.side[n] = k; }
                ++n;
            }
        }
    }
    static const char* side_name[5] = {"", "NI-NJ", "NJ-NK", "NK-NL", "NL-NI"};
    for (int32_t k = 1; k <= 4; ++k)
        if (count[k] != 1)
            throw InputError(slab_name(m, s) + ": side " + side_name[k] + " must be exactly one bar (found " +
                             std::to_string(count[k]) + ")");
    return e;
}

} // namespace

void list_reaction_lengths(const Model& m, Channel& ch, int32_t last_dof) {
    List(ch) << "GL DE REACCION   LONGITUD    AREA";
    for (int32_t g = 1; g <= last_dof && g <= m.LONGREAC.size(); ++g)
        if (m.LONGREAC(g) != 0.0_r) Rec(ch).I(g, 6).X(9).F(m.LONGREAC(g), 10, 4).F(m.AREAREAC(g), 10, 4);
}

namespace {

void size_tables(Model& m) {
    const int32_t NN = m.NN, NB = m.NB, NLOS = m.NLOS;
    for (Vec1<real>* v : {&m.LBARRA, &m.UX, &m.UY, &m.ABARRA}) v->resize(NB);
    m.NDIR.resize(NB);
    m.XR.resize(NN);
    m.YR.resize(NN);
    for (Mat1<real>* t : {&m.XI, &m.YI, &m.XF, &m.YF}) t->resize(NN, 2);
    m.LONGREAC.resize(m.NTOT);
    m.AREAREAC.resize(m.NTOT);
    m.LBLOSA.resize(NLOS, 4);
    m.ALOSA.resize(NLOS);
    m.NDIRMAX = 0;
    m.AREATOT = 0.0_r;
}

// Length and plan direction of every bar (from NI to NJ).
void bar_lengths(Model& m, Trace log) {
    List(log) << "NUMERO DE BARRAS" << m.NB;
    List(log) << "BARRA   LONGITUD       UX        UY";
    for (int32_t j = 1; j <= m.NB; ++j) {
        const int32_t ni = m.PI(j), nj = m.PJ(j);
        const real L = distance(m, ni, nj);
        m.UX(j) = (m.COOR(nj, 1) - m.COOR(ni, 1)) / L;
        m.UY(j) = (m.COOR(nj, 2) - m.COOR(ni, 2)) / L;
        m.LBARRA(j) = L;
        Rec(log).I(j, 6).F(L, 10, 4).F(m.UX(j), 10, 4).F(m.UY(j), 10, 4);
        List(log) << "SU(" << j << ")" << m.SU(j);
    }
}

// Foundation bars: direction 1 only when the bar runs along +X; any other
// plan direction (-X, Y, oblique) is direction 2. Each end node is a reaction
// point (its rectangles start as that point) and carries half the bar.
void foundation_bars(Model& m, Trace log) {
    for (int32_t j = 1; j <= m.NB; ++j) {
        if (m.SU(j) != 1) continue;
        const real dot = m.UX(j) * 1.0_r + m.UY(j) * 0.0_r;
        List(log) << "PRODUCTO PUNTO" << dot;
        if (dot > 0.9999_r) {
            m.NDIR(j) = 1;
            List(log) << "NDIR=" << int32_t{1};
        } else {
            m.NDIR(j) = 2;
        }
        List(log) << "NDIR=" << m.NDIR(j);
        m.NDIRMAX = std::max(m.NDIRMAX, m.NDIR(j));

        for (const int32_t n : {m.PI(j), m.PJ(j)}) {
            const real x = m.COOR(n, 1), y = m.COOR(n, 2);
            m.XR(n) = x;
            m.YR(n) = y;
            for (int32_t d = 1; d <= 2; ++d) {
                m.XI(n, d) = x;
                m.XF(n, d) = x;
                m.YI(n, d) = y;
                m.YF(n, d) = y;
            }
        }
        const real half = m.LBARRA(j) / 2.0_r;
        m.LONGREAC(dz_dof(m.PI(j))) += half;
        m.LONGREAC(dz_dof(m.PJ(j))) += half;
    }
}

// Strip footings: each end node of a foundation bar takes the half footing
// next to it, a rectangle L/2 long and B wide on the bar's side of the node.
void strip_footings(Model& m, Trace log) {
    List(log) << "SE TIENEN ZAPATAS CORRIDAS";
    for (int32_t j = 1; j <= m.NB; ++j) {
        if (m.SU(j) != 1) continue;
        const real B = section_base(m, j);
        const real L = m.LBARRA(j);
        const int32_t i = m.PI(j), k = m.PJ(j);
        m.AREAREAC(dz_dof(i)) += B * L / 2.0_r;
        m.AREAREAC(dz_dof(k)) += B * L / 2.0_r;
        const real xi = m.COOR(i, 1), yi = m.COOR(i, 2);
        const real xj = m.COOR(k, 1), yj = m.COOR(k, 2);
        if (m.NDIR(j) == 1) {
            lower(m.XI(i, 1), xi);
            upper(m.XF(i, 1), xi + L / 2.0_r);
            lower(m.YI(i, 1), yi - B / 2.0_r);
            upper(m.YF(i, 1), yi + B / 2.0_r);
            lower(m.XI(k, 1), xj - L / 2.0_r);
            upper(m.XF(k, 1), xj);
            lower(m.YI(k, 1), yj - B / 2.0_r);
            upper(m.YF(k, 1), yj + B / 2.0_r);
        } else {
            lower(m.XI(i, 2), xi - B / 2.0_r);
            upper(m.XF(i, 2), xi + B / 2.0_r);
            lower(m.YI(i, 2), yi);
            upper(m.YF(i, 2), yi + L / 2.0_r);
            lower(m.XI(k, 2), xj - B / 2.0_r);
            upper(m.XF(k, 2), xj + B / 2.0_r);
            lower(m.YI(k, 2), yj - L / 2.0_r);
            upper(m.YF(k, 2), yj);
        }
    }
}

// The surface loads of slab s go to its four edge bars by 45-degree
// tributary areas: trapezoids on the long sides, triangles on the short ones
// (sides NI-NJ and NK-NL have length Q, the other two P).
void slab_edge_loads(Model& m, int32_t s, const SlabEdges& e, real Q, real P) {
    const real TQ = (2.0_r * Q - P) * P / 4.0_r;
    const real TP = Q * (2.0_r * P - Q) / 4.0_r;
    for (int32_t k = 1; k <= 4; ++k) {
        const int32_t b = m.LBLOSA(s, k);
        const real l = m.LBARRA(b);
        const bool q_side = e.side[k - 1] == 1 || e.side[k - 1] == 3;
        real a = 0.0_r, span = 0.0_r;   // tributary area, length it spreads over
        if (Q == P) {
            a = Q * P / 4.0_r;
            span = Q;
        } else if (Q >= P) {
            if (!q_side) { a = l * l / 4.0_r; span = P; }
            else { a = TQ; span = Q; }
        } else {
            if (q_side) { a = l * l / 4.0_r; span = Q; }
            else { a = TP; span = P; }
        }
        for (int32_t t = 1; t <= 6; ++t) m.CUNIF(b, t) = m.CUNIF(b, t) + m.CLOSA(s, t) * a / span;
        m.ABARRA(b) += a;
    }
}

// Each corner of slab s takes the quarter of the slab next to it.
void slab_corner_rectangles(Model& m, int32_t s, real Q, real P) {
    const int32_t NI = m.NLOSA(s, 1), NJ = m.NLOSA(s, 2), NK = m.NLOSA(s, 3), NL = m.NLOSA(s, 4);
    const real quarter = Q * P / 4.0_r;
    for (const int32_t n : {NI, NJ, NK, NL}) m.AREAREAC(dz_dof(n)) += quarter;
    const real hq = Q / 2.0_r, hp = P / 2.0_r;
    // The quarter lies towards +X from the left corners (NI, NL) and towards
    // +Y from the lower ones (NI, NJ).
    auto corner = [&](int32_t n, bool left, bool bottom) {
        const real x = m.COOR(n, 1), y = m.COOR(n, 2);
        lower(m.XI(n, 1), left ? x : x - hq);
        lower(m.YI(n, 1), bottom ? y : y - hp);
        upper(m.XF(n, 1), left ? x + hq : x);
        upper(m.YF(n, 1), bottom ? y + hp : y);
    };
    corner(NI, true, true);
    corner(NJ, false, true);
    corner(NK, false, false);
    corner(NL, true, false);
}

// edges[s - 1] are the edge bars of slab s, as the validation found them.
void slabs(Model& m, const std::vector<SlabEdges>& edges, Trace log) {
    for (int32_t s = 1; s <= m.NLOS; ++s) {
        const real G = unit_weight(m, m.MATLOSA(s)) * m.HLOSA(s);
        m.CLOSA(s, 5) = G;
        const int32_t NI = m.NLOSA(s, 1), NJ = m.NLOSA(s, 2), NK = m.NLOSA(s, 3), NL = m.NLOSA(s, 4);
        List(log) << "Pp Losa=" << G;
        List(log) << "Nodos losa" << s << NI << NJ << NK << NL;

        const SlabEdges& e = edges[static_cast<size_t>(s - 1)];
        for (int32_t k = 1; k <= 4; ++k) m.LBLOSA(s, k) = e.bar[k - 1];
        const real Q = distance(m, NI, NJ);
        const real P = distance(m, NJ, NK);
        m.ALOSA(s) = Q * P;
        List(log) << "AREA DE LOSA:" << Q * P;
        slab_edge_loads(m, s, e, Q, P);

        List(log) << "SE TIENEN LOSAS DE CIMENTACIÓN";
        List(log) << "CALCULANDO AREAS DE REACCIÓN";
        slab_corner_rectangles(m, s, Q, P);
    }
}

} // namespace

void compute_reaction_areas(Model& m, Trace log) {
    // A malformed slab is refused before any table is touched.
    std::vector<SlabEdges> edges;
    for (int32_t s = 1; s <= m.NLOS; ++s) edges.push_back(slab_edges(m, s));
    size_tables(m);
    bar_lengths(m, log);
    foundation_bars(m, log);
    List(log) << "DIRECCIONES ENCONTRADAS" << m.NDIRMAX;
    List(log) << "CALCULO DE AREAS DE REACCION";
    if (m.NLOS < 1) strip_footings(m, log);
    else slabs(m, edges, log);

    // The foundation area sums the areas of the reactions that have a length.
    for (int32_t g = 1; g <= m.NTOT; ++g)
        if (m.LONGREAC(g) != 0.0_r) m.AREATOT = m.AREATOT + m.AREAREAC(g);
    log.empty();
    List(log) << "              COORDENADAS DE REACCIONES ";
    List(log) << "            PUNTO       PUNTO INICIAL   PUNTO FINAL";
    List(log) << "          (X  ,   Y)          (Xi  ,   Yi)        " << "(Xf  ,   Yf)";
    reaction_point_rows(log, m);
    list_reaction_lengths(m, log, m.NTOT);
    List(log) << "Área de la cimentación:" << m.AREATOT;
    tributary_area_rows(log, m);
}

void reaction_point_rows(Channel& ch, const Model& m) {
    // The rows go by node number 1..NR: the foundation nodes are numbered
    // first, in reaction order.
    const int32_t rows = std::min(m.NR, m.NN);
    for (int32_t d = 1; d <= 2; ++d) {
        if (d == 2 && m.NDIRMAX != 2) break;
        List(ch) << (d == 1 ? "direccion 1" : "direccion 2");
        for (int32_t n = 1; n <= rows; ++n)
            Rec(ch).I(n, 6).F(m.XR(n), 10, 4).F(m.YR(n), 10, 4).F(m.XI(n, d), 10, 4).F(m.YI(n, d), 10, 4)
                .F(m.XF(n, d), 10, 4).F(m.YF(n, d), 10, 4);
    }
}

void tributary_area_rows(Channel& ch, const Model& m) {
    List(ch) << "Área tributaria por barra";
    List(ch) << " Barra            LONGITUD    AREA";
    for (int32_t j = 1; j <= m.NB; ++j)
        if (m.ABARRA(j) != 0.0_r) Rec(ch).I(j, 6).X(9).F(m.LBARRA(j), 10, 4).F(m.ABARRA(j), 10, 4);
}

} // namespace qb

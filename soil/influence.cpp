#include "soil/influence.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <thread>
#include <vector>

#include "soil/profile_walk.h"

namespace qb::inline QB_ARITH {

Stress corner_stress(real nu, real x, real y, real cx, real cy, real z) {
    const real L = std::fabs(cx - x);
    const real B = std::fabs(cy - y);
    // A side of zero length is a rectangle of no area: it carries no load.
    // (The closed form would give atan(0/0) here.)
    if (L == 0.0_r || B == 0.0_r) return {};

    constexpr real INV_2PI = (std::numbers::inv_pi_v<real> / 2.0_r);
    constexpr real HALF_PI = (std::numbers::pi_v<real> / 2.0_r);
    const real R = std::sqrt(L * L + B * B + z * z);
    const real LBz = L * B * z;
    const real t = HALF_PI - std::atan(z * R / (L * B));
    const real c = 1.0_r - 2.0_r * nu;

    Stress s;
    s.sx = INV_2PI * (t - LBz / (R * (L * L + z * z)) + c * (std::atan(B / L) - std::atan(B * R / (L * z))));
    s.sy = INV_2PI * (t - LBz / (R * (B * B + z * z)) + c * (std::atan(L / B) - std::atan(L * R / (B * z))));
    s.sz = INV_2PI * (std::atan(L * B / (z * R)) + (LBz / R) * (1.0_r / (L * L + z * z) + 1.0_r / (B * B + z * z)));
    return s;
}

namespace {

// One axis of the superposition: the far-corner coordinates of the
// quarter-rectangles, measured from the point, whose signed sum is the loaded
// strip [a1, a2] seen from the point's coordinate p.
struct AxisTerm {
    int n = 0;
    real corner[2] = {0.0_r, 0.0_r};
    real sign[2] = {0.0_r, 0.0_r};
};

AxisTerm axis_term(real p, real a1, real a2) {
    AxisTerm t;
    if (p < a1) {            // before the strip: far part minus near part
        t.n = 2; t.corner[0] = a2; t.sign[0] = 1.0_r; t.corner[1] = a1; t.sign[1] = -1.0_r;
    } else if (p == a1) {    // on its first edge
        t.n = 1; t.corner[0] = a2; t.sign[0] = 1.0_r;
    } else if (p < a2) {     // inside: the two parts on either side add up
        t.n = 2; t.corner[0] = a2; t.sign[0] = 1.0_r; t.corner[1] = a1; t.sign[1] = 1.0_r;
    } else if (p == a2) {    // on its second edge
        t.n = 1; t.corner[0] = a1; t.sign[0] = 1.0_r;
    } else {                 // beyond the strip
        t.n = 2; t.corner[0] = a1; t.sign[0] = 1.0_r; t.corner[1] = a2; t.sign[1] = -1.0_r;
    }
    return t;
}

void add(Stress& acc, real sign, const Stress& s) {
    acc.sx = acc.sx + sign * s.sx;
    acc.sy = acc.sy + sign * s.sy;
    acc.sz = acc.sz + sign * s.sz;
}

} // namespace

Stress bousi(real nu, real x, real y, real z1, real x1, real y1, real x2, real y2) {
    const AxisTerm tx = axis_term(x, x1, x2);
    const AxisTerm ty = axis_term(y, y1, y2);
    auto F = [&](int i, int j) { return corner_stress(nu, x, y, tx.corner[i], ty.corner[j], z1); };

    // The signed corner terms, y corner by y corner, summed in order. With the
    // point at the centre of a strip its two quarters are equal: one quarter
    // counted twice.
    Stress r;
    for (int j = 0; j < ty.n; ++j)
        for (int i = 0; i < tx.n; ++i) add(r, tx.sign[i] * ty.sign[j], F(i, j));
    // The soil takes no horizontal tension: a negative horizontal stress
    // counts as zero.
    if (r.sx < 0.0_r) r.sx = 0.0_r;
    if (r.sy < 0.0_r) r.sy = 0.0_r;
    return r;
}

int32_t influence_strata(const Model& m) {
    int32_t S = 1;
    for (int32_t p = 1; p <= m.soil.NEST.size(); ++p) S = std::max(S, std::min(m.soil.NEST(p), limits::STRATA));
    return S;
}

namespace {

// The lean store of the large-model path: every value summed over the two
// directions, and SUM_AINF; the influence file lists the sums of each
// reaction and stratum, not the NR x NR table.
void influence_sums(Model& m, Trace valinf) {
    const int32_t NR = m.NR;
    const int32_t S = influence_strata(m);
    m.IXS.resize(NR, S, NR, 1);
    m.IYS.resize(NR, S, NR, 1);
    m.IZS.resize(NR, S, NR, 1);
    m.SUM_AINF.resize(NR, S);
    const Soil& s = m.soil;
    const int32_t ndir = std::min<int32_t>(m.NDIRMAX, 2);
    // The points are independent: each thread takes a run of them, and every
    // value still adds its directions in order.
    const auto points = [&](int32_t first, int32_t last) {
        for (int32_t j = first; j <= last; ++j) {
            const int32_t n = node_of_dof(m.NREAC(j));
            const int32_t p = m.PERFIL(n);
            const int32_t nest = strata_of(m, p);
            const real df = m.DF(n);
            for (int32_t d = 1; d <= ndir; ++d) {
                int32_t b = 0;
                for (int32_t k = 1; k <= nest; ++k) {
                    if (!below_foundation(s, p, k, df)) continue;
                    if (b == 0) b = k;
                    const real z1 = k == b ? (s.PROF(p, b) - df) / 2.0_r
                                            : s.PROF(p, k) - df - (s.PROF(p, k) - s.PROF(p, k - 1)) / 2.0_r;
                    const real nu = s.NU2(p, k);
                    for (int32_t l = 1; l <= NR; ++l) {
                        const Stress st =
                            bousi(nu, m.XR(j), m.YR(j), z1, m.XI(l, d), m.YI(l, d), m.XF(l, d), m.YF(l, d));
                        m.IXS(j, k, l) = m.IXS(j, k, l) + st.sx;
                        m.IYS(j, k, l) = m.IYS(j, k, l) + st.sy;
                        m.IZS(j, k, l) = m.IZS(j, k, l) + st.sz;
                        m.SUM_AINF(j, k) = m.SUM_AINF(j, k) + (st.sz - nu * (st.sx + st.sy));
                    }
                }
            }
        }
    };
    const int32_t threads = std::clamp<int32_t>(static_cast<int32_t>(std::thread::hardware_concurrency()), 1,
                                                 std::max<int32_t>(1, NR / 64));
    std::vector<std::thread> pool;
    for (int32_t t = 1; t < threads; ++t)
        pool.emplace_back(points, 1 + NR * t / threads, NR * (t + 1) / threads);
    points(1, NR / threads);
    for (std::thread& t : pool) t.join();
    valinf.empty(2);
    Rec(valinf).X(15).text("VALORES DE INFLUENCIA");
    valinf.empty(1);
    List(valinf) << m.NDIRMAX << "DIRECCIONES";
    List(valinf) << "SUMAS POR PUNTO Y ESTRATO";
    List(valinf) << "PUNTO ESTRATO   SUMA";
    for (int32_t j = 1; j <= NR; ++j)
        for (int32_t k = 1; k <= S; ++k) Rec(valinf).I(j, 8).I(k, 8).X(3).F(m.SUM_AINF(j, k), 14, 7);
}

} // namespace

void compute_influence_values(Model& m, Trace log, Trace valinf) {
    if (m.large) {
        influence_sums(m, valinf);
        return;
    }
    const int32_t NR = m.NR;
    const int32_t S = influence_strata(m);
    m.IX.resize(NR, S, NR, 2);
    m.IY.resize(NR, S, NR, 2);
    m.IZ.resize(NR, S, NR, 2);
    m.AINF.resize(NR, S, NR, 2);
    m.SUM_AINF.resize(NR, S);

    valinf.empty(2);
    Rec(valinf).X(15).text("VALORES DE INFLUENCIA");
    valinf.empty(1);
    List(valinf) << m.NDIRMAX << "DIRECCIONES";

    const Soil& s = m.soil;
    const int32_t ndir = std::min<int32_t>(m.NDIRMAX, 2);   // the rectangles exist for two directions
    for (int32_t d = 1; d <= ndir; ++d) {
        List(valinf) << "EN LA DIRECCIÓN" << d;
        List(valinf) << "PUNTO ESTRATO REACCION      IX        IY        IZ";
        List(log) << "EN LA DIRECCIÓN" << d;

        for (int32_t j = 1; j <= NR; ++j) {
            const int32_t n = node_of_dof(m.NREAC(j));
            const int32_t p = m.PERFIL(n);
            const int32_t nest = strata_of(m, p);
            const real df = m.DF(n);
            List(log) << "EL GL DE LA REACCION" << j << " ES:" << m.NREAC(j);
            List(log) << "NODO:" << n << "I=" << j << "NREAC(I)=" << m.NREAC(j);
            List(log) << "PERFIL ASIGNADO AL NODO:" << p;
            List(log) << "ESTRATOS DEL PERFIL:" << nest;

            int32_t b = 0;   // bearing stratum of this reaction, none yet
            for (int32_t k = 1; k <= nest; ++k) {
                List(log) << "Z1 ORIGINAL:" << s.Z(p, k);
                List(log) << "PROF=" << s.PROF(p, k);
                List(log) << "Df=" << df;
                if (!below_foundation(s, p, k, df)) continue;
                if (b == 0) b = k;
                // Evaluation depth below the foundation level: the middle of
                // the part of the bearing stratum under the footing, else the
                // middle of the stratum.
                const real z1 = k == b ? (s.PROF(p, b) - df) / 2.0_r
                                        : s.PROF(p, k) - df - (s.PROF(p, k) - s.PROF(p, k - 1)) / 2.0_r;
                List(log) << "Z1 AJUSTADO:" << z1;
                const real nu = s.NU2(p, k);

                for (int32_t l = 1; l <= NR; ++l) {
                    List(log) << "antes de llamar a bousi";
                    Rec(log).F(m.XR(j), 10, 4).F(m.YR(j), 10, 4).F(z1, 10, 4)
                        .F(m.XI(l, d), 10, 4).F(m.YI(l, d), 10, 4).F(m.XF(l, d), 10, 4).F(m.YF(l, d), 10, 4);
                    const Stress st = bousi(nu, m.XR(j), m.YR(j), z1, m.XI(l, d), m.YI(l, d), m.XF(l, d), m.YF(l, d));
                    const real ainf = st.sz - nu * (st.sx + st.sy);
                    m.IX(j, k, l, d) = st.sx;
                    m.IY(j, k, l, d) = st.sy;
                    m.IZ(j, k, l, d) = st.sz;
                    m.AINF(j, k, l, d) = ainf;
                    m.SUM_AINF(j, k) = m.SUM_AINF(j, k) + ainf;
                    for (Channel* ch : {&static_cast<Channel&>(valinf), &static_cast<Channel&>(log)})
                        Rec(*ch).I(j, 8).I(k, 8).I(l, 8).X(3)
                            .F(st.sx, 10, 7).F(st.sy, 10, 7).F(st.sz, 10, 7).F(ainf, 10, 7);
                    List(log) << j << k << "SUM_AINF=" << m.SUM_AINF(j, k);
                }
            }
        }
    }
}

} // namespace qb

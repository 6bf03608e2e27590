#include "frame/geometry.h"

#include <cmath>

#include "textio/rows.h"

namespace qb::inline QB_ARITH {

namespace {

// Local y of a bar whose plan offsets are so unequal that the single-precision
// third-point construction overflows (a Y offset of 1e-45 against an X offset
// of metres: ay ~ 1e46) or cancels to nothing. The construction gives, in
// exact arithmetic, the horizontal unit vector ±(-dy, dx) / |(dx, dy)| whose
// X part points to -X when dy != 0, and +Y when dy = 0; evaluated here in
// double precision, where nothing overflows. Every bar the single-precision
// formula handles keeps its own bits.
void plan_normal(real dx, real dy, real r2[3]) {
    r2[2] = 0.0_r;
    if (dy == 0.0_r) {   // a bar in a plane parallel to XZ: local y is +Y
        r2[0] = 0.0_r;
        r2[1] = 1.0_r;
        return;
    }
    const double x = dx, y = dy, h = std::hypot(x, y);
    const double s = dy < 0.0_r ? -1.0 : 1.0;   // ax = -10: the X part points to -X
    r2[0] = static_cast<real>(-s * y / h);
    r2[1] = static_cast<real>(s * x / h);
}

} // namespace

void compute_direction_cosines(Model& m, Trace log) {
    m.COSDIR.resize(m.NB, 3, 3, 1);
    List(log) << "Cosenos directores para cada barra";
    for (int32_t j = 1; j <= m.NB; ++j) {
        const int32_t ni = m.PI(j), nj = m.PJ(j);
        const real xi = m.COOR(ni, 1), yi = m.COOR(ni, 2), zi = m.COOR(ni, 3);
        const real xj = m.COOR(nj, 1), yj = m.COOR(nj, 2), zj = m.COOR(nj, 3);
        const real dx = xj - xi, dy = yj - yi, dz = zj - zi;
        const real L = std::sqrt(dz * dz + dx * dx + dy * dy);
        List(log) << "Barra" << j;
        List(log) << "ij=" << dx << dy << dz;

        real r1[3], r2[3], r3[3];
        if (dx == 0.0_r && dy == 0.0_r) {
            // Vertical bar: the section is oriented by convention (local y
            // along +Y). Local x still runs from the first node to the second,
            // so a bar drawn downwards gets x = -Z and z = +X, which keeps the
            // frame right-handed. Two coincident nodes (L = 0) land here too
            // and take the upward frame instead of a division by zero.
            List(log) << "BARRA VERTICAL";
            const real s = dz < 0.0_r ? -1.0_r : 1.0_r;
            r1[0] = 0.0_r; r1[1] = 0.0_r; r1[2] = s;
            r2[0] = 0.0_r; r2[1] = 1.0_r; r2[2] = 0.0_r;
            r3[0] = -s;   r3[1] = 0.0_r; r3[2] = 0.0_r;
        } else {
            r1[0] = dx / L; r1[1] = dy / L; r1[2] = dz / L;
            // Local y: a horizontal vector perpendicular to the plan
            // projection of the bar, found through a third point 10 length
            // units away (towards -X when the bar has a Y component, towards
            // +Y when it lies in a plane parallel to XZ).
            real ax, ay;
            if (dy != 0.0_r) {
                List(log) << "PLANO DISTINTO A XZ" << dx;
                ax = (xi - 10.0_r) - xi;
                ay = (yi * dy - dx * ax) / dy - yi;
            } else {
                List(log) << "SOBRE PLANO XZ" << dy;
                ay = (yi + 10.0_r) - yi;
                ax = (xi * dx - dy * ay) / dx - xi;
            }
            const real az = 0.0_r;
            const real a = std::sqrt(ax * ax + ay * ay);
            r2[0] = ax / a; r2[1] = ay / a; r2[2] = az;
            if (!(std::isfinite(a) && a > 0.0_r && std::isfinite(r2[0]) && std::isfinite(r2[1])))
                plan_normal(dx, dy, r2);
            // Local z = x × y, normalised.
            const real l = r1[0], mm = r1[1], n = r1[2];
            const real c1 = mm * r2[2] - n * r2[1];
            const real c2 = n * r2[0] - l * r2[2];
            const real c3 = l * r2[1] - mm * r2[0];
            const real c = std::sqrt(c1 * c1 + c2 * c2 + c3 * c3);
            r3[0] = c1 / c; r3[1] = c2 / c; r3[2] = c3 / c;
        }
        for (int32_t k = 1; k <= 3; ++k) {
            m.COSDIR(j, 1, k) = r1[k - 1];
            m.COSDIR(j, 2, k) = r2[k - 1];
            m.COSDIR(j, 3, k) = r3[k - 1];
        }
        List(log) << "MATRIZ DE COSENOS DIRECTORES DE LA BARRA" << j;
        for (int32_t r = 1; r <= 3; ++r)
            List(log) << m.COSDIR(j, r, 1) << m.COSDIR(j, r, 2) << m.COSDIR(j, r, 3);
    }
}

void transpose12(const Mat12& T, Mat12& TT) {
    for (int32_t i = 1; i <= 12; ++i)
        for (int32_t k = 1; k <= 12; ++k) TT(i, k) = T(k, i);
}

namespace {
void log_fixed12(Trace log, const Mat12& A) {
    fixed_rows(log, 12, 12, 15, 6, 12, [&](int32_t i, int32_t k) { return A(i, k); });
}
} // namespace

void build_transformation(const Model& m, int32_t j, Mat12& T, Mat12& TT, Trace log) {
    List(log) << "Vector u1=" << m.COSDIR(j, 1, 1) << m.COSDIR(j, 1, 2) << m.COSDIR(j, 1, 3);
    List(log) << "Vector u2=" << m.COSDIR(j, 2, 1) << m.COSDIR(j, 2, 2) << m.COSDIR(j, 2, 3);
    List(log) << "Vector u3=" << m.COSDIR(j, 3, 1) << m.COSDIR(j, 3, 2) << m.COSDIR(j, 3, 3);
    T.zero();
    for (int32_t b = 0; b < 4; ++b)            // the four 3 x 3 diagonal blocks
        for (int32_t r = 1; r <= 3; ++r)
            for (int32_t c = 1; c <= 3; ++c) T(3 * b + r, 3 * b + c) = m.COSDIR(j, r, c);
    List(log) << "MATRIZ DE TRANSFORMACION [T] DE LA BARRA:" << j;
    log_fixed12(log, T);
    transpose12(T, TT);
    List(log) << "MATRIZ DE TRANSFORMACION TRANSPUESTA [TT]" << "DE LA BARRA:" << j;
    log_fixed12(log, TT);
}

} // namespace qb

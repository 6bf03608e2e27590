#include "frame/stiffness.h"

#include "frame/frame_log.h"

namespace qb::inline QB_ARITH {

void lookup_bar_section(const Model& m, int32_t j, BarSection& s, Trace log) {
    s.A = s.Iy = s.Iz = s.IRot = 0.0_r;
    const Text& bar_sec = m.SECBAR(j);
    for (int32_t k = 1; k <= m.NSEC; ++k) {
        if (!same_name(bar_sec, m.SECNOM(k))) continue;
        List(log) << "SECCIÓN:" << bar_sec.field(limits::NAME) << m.SECNOM(k).field(limits::NAME);
        s.A = m.AREA(k);
        s.Iy = m.Iy(k);
        s.Iz = m.Iz(k);
        s.IRot = m.IRot(k);
        s.E = s.nu = s.gamma = 0.0_r;
        if (const int32_t t = m.find_material(m.SECMAT(k)); t != 0) {
            s.gamma = m.PESOV(t);
            s.E = m.EMAT(t);
            s.nu = m.NUMAT(t);
        }
    }
}

real shear_parameter(int32_t fdc, const BarSection& s, real G, real L2) {
    const real As = (5.0_r / 6.0_r) * s.A;
    const real den = L2 * G * As;
    if (den == 0.0_r) return 0.0_r;
    return static_cast<real>(fdc) * 12.0_r * s.E * s.Iy / den;
}

void element_stiffness(int32_t ncnd, real E, real G, real A, real Iy, real Iz, real IRot, real L,
                       real L2, real L3, real phi, Mat12& K, Trace log) {
    (void)phi;   // shear deformation is not applied (pure bending theory)
    K.zero();
    // A bar of zero length has no stiffness (and must not divide by zero).
    const bool has_length = L > 0.0_r && L2 > 0.0_r && L3 > 0.0_r;
    real rax = 0, raay = 0, raby = 0, r11y = 0, r12y = 0, raaz = 0, rabz = 0, r11z = 0, r12z = 0, rj = 0;
    if (has_length) {
        rj = G * IRot / L;
        rax = A * E / L;
        raay = 12.0_r * E * Iy / L3;
        raby = 6.0_r * E * Iy / L2;
        r11y = 4.0_r * E * Iy / L;
        r12y = 2.0_r * E * Iy / L;
        raaz = 12.0_r * E * Iz / L3;
        rabz = 6.0_r * E * Iz / L2;
        r11z = 4.0_r * E * Iz / L;
        r12z = 2.0_r * E * Iz / L;
    }
    List(log) << "rj=" << rj;
    List(log) << "it=" << IRot;
    List(log) << "rax=" << rax;
    List(log) << "raay=" << raay;
    List(log) << "raby=" << raby;
    List(log) << "r11y=" << r11y;
    List(log) << "r12y=" << r12y;
    List(log) << "rj=" << rj;
    List(log) << "raaz=" << raaz;
    List(log) << "rabz=" << rabz;
    List(log) << "r11z=" << r11z;
    List(log) << "r12z=" << r12z;

    auto sym = [&K](int32_t i, int32_t k, real x) { K(i, k) = x; K(k, i) = x; };
    auto axial = [&] {
        K(1, 1) = rax; K(7, 7) = rax;
        sym(1, 7, -rax);
    };
    switch (ncnd) {
    case 0:
        List(log) << "Sin articulaciones";
        axial();
        // bending in the local x-y plane (v, θz)
        K(2, 2) = raaz; K(8, 8) = raaz;
        sym(2, 8, -raaz);
        sym(2, 6, rabz); sym(2, 12, rabz);
        sym(6, 8, -rabz); sym(8, 12, -rabz);
        K(6, 6) = r11z; K(12, 12) = r11z;
        sym(6, 12, r12z);
        // bending in the local x-z plane (w, θy): θy = -dw/dx, hence the signs
        K(3, 3) = raay; K(9, 9) = raay;
        sym(3, 9, -raay);
        sym(3, 5, -raby); sym(3, 11, -raby);
        sym(5, 9, raby); sym(9, 11, raby);
        K(5, 5) = r11y; K(11, 11) = r11y;
        sym(5, 11, r12y);
        // torsion
        K(4, 4) = rj; K(10, 10) = rj;
        sym(4, 10, -rj);
        break;
    case 1:
        // Hinge at the first node: its rotations (4, 5, 6) carry nothing; the
        // far end keeps 3EI/L. Torsion is released with the hinge.
        List(log) << "Articulada en el primer extremo";
        axial();
        K(2, 2) = raaz * 0.25_r; K(8, 8) = raaz * 0.25_r;
        sym(2, 8, -(raaz * 0.25_r));
        sym(2, 12, rabz * 0.5_r);
        sym(8, 12, -(rabz * 0.5_r));
        K(12, 12) = 0.75_r * r11z;
        K(3, 3) = raay * 0.25_r; K(9, 9) = raay * 0.25_r;
        sym(3, 9, -(raay * 0.25_r));
        sym(3, 11, -(raby * 0.5_r));
        sym(9, 11, raby * 0.5_r);
        K(11, 11) = 0.75_r * r11y;
        break;
    case 2:
        // Hinge at the second node: mirror image of code 1.
        List(log) << "Articulada en el segundo extremo";
        axial();
        K(2, 2) = raaz * 0.25_r; K(8, 8) = raaz * 0.25_r;
        sym(2, 8, -(raaz * 0.25_r));
        sym(2, 6, rabz * 0.5_r);
        sym(6, 8, -(rabz * 0.5_r));
        K(6, 6) = 0.75_r * r11z;
        K(3, 3) = raay * 0.25_r; K(9, 9) = raay * 0.25_r;
        sym(3, 9, -(raay * 0.25_r));
        sym(3, 5, -(raby * 0.5_r));
        sym(5, 9, raby * 0.5_r);
        K(5, 5) = 0.75_r * r11y;
        break;
    case 3:
        List(log) << "Articulada en ambos extremos";
        axial();
        break;
    default:
        break;   // unknown code: no stiffness, no label
    }
}

namespace {
// C(1..12, 1..n) = A · B(1..12, 1..n) on 12-row column-major storage.
void product(const real* A, const real* B, real* C, int32_t n) {
    constexpr int32_t ld = 12;
    for (int32_t k = 0; k < n; ++k) {
        real* c = C + k * ld;
        for (int32_t i = 0; i < ld; ++i) c[i] = 0.0_r;
        for (int32_t mm = 0; mm < 12; ++mm) {
            const real b = B[k * ld + mm];
            const real* a = A + mm * ld;
            for (int32_t i = 0; i < 12; ++i) c[i] += a[i] * b;
        }
    }
}
} // namespace

void matmul12(const Mat12& A, const Mat12& B, Mat12& C, Trace log) {
    List(log) << "MATRIZ A";
    log_rows(log, A);
    List(log) << "MATRIZ B";
    log_rows(log, B);
    C.zero();
    product(A.data(), B.data(), C.data(), 12);
}

void matmul12(const Mat12& A, const Vec12& b, Vec12& c, Trace log) {
    List(log) << "MATRIZ A";
    log_rows(log, A);
    List(log) << "MATRIZ B";
    log_vector_column(log, b);
    c.zero();
    product(A.data(), b.data(), c.data(), 1);
}

} // namespace qb

#include "frame/stiffness.h"

#include "frame/frame_log.h"

namespace qb {

void lookup_bar_section(const Model& m, int32_t j, BarSection& s, Trace log) {
    s.A = s.Iy = s.Iz = s.IRot = 0.0f;
    const Text& bar_sec = m.SECBAR(j);
    for (int32_t k = 1; k <= m.NSEC; ++k) {
        if (!same_name(bar_sec, m.SECNOM(k))) continue;
        List(log) << "SECCIÓN:" << bar_sec.field(limits::NAME) << m.SECNOM(k).field(limits::NAME);
        s.A = m.AREA(k);
        s.Iy = m.Iy(k);
        s.Iz = m.Iz(k);
        s.IRot = m.IRot(k);
        s.E = s.nu = s.gamma = 0.0f;
        for (int32_t t = 1; t <= m.NMAT; ++t) {
            if (!same_name(m.SECMAT(k), m.MATNOM(t))) continue;
            s.gamma = m.PESOV(t);
            s.E = m.EMAT(t);
            s.nu = m.NUMAT(t);
        }
    }
}

float shear_parameter(int32_t fdc, const BarSection& s, float G, float L2) {
    const float As = 0.8333333f * s.A;
    const float den = L2 * G * As;
    if (den == 0.0f) return 0.0f;
    return static_cast<float>(fdc) * 12.0f * s.E * s.Iy / den;
}

void element_stiffness(int32_t ncnd, float E, float G, float A, float Iy, float Iz, float IRot, float L,
                       float L2, float L3, float phi, Mat14& K, Trace log) {
    (void)phi;   // shear deformation is not applied (pure bending theory)
    K.zero();
    // A bar of zero length has no stiffness (and must not divide by zero).
    const bool has_length = L > 0.0f && L2 > 0.0f && L3 > 0.0f;
    float rax = 0, raay = 0, raby = 0, r11y = 0, r12y = 0, raaz = 0, rabz = 0, r11z = 0, r12z = 0, rj = 0;
    if (has_length) {
        rj = G * IRot / L;
        rax = A * E / L;
        raay = 12.0f * E * Iy / L3;
        raby = 6.0f * E * Iy / L2;
        r11y = 4.0f * E * Iy / L;
        r12y = 2.0f * E * Iy / L;
        raaz = 12.0f * E * Iz / L3;
        rabz = 6.0f * E * Iz / L2;
        r11z = 4.0f * E * Iz / L;
        r12z = 2.0f * E * Iz / L;
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

    auto sym = [&K](int32_t i, int32_t k, float x) { K(i, k) = x; K(k, i) = x; };
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
        K(2, 2) = raaz * 0.25f; K(8, 8) = raaz * 0.25f;
        sym(2, 8, -(raaz * 0.25f));
        sym(2, 12, rabz * 0.5f);
        sym(8, 12, -(rabz * 0.5f));
        K(12, 12) = 0.75f * r11z;
        K(3, 3) = raay * 0.25f; K(9, 9) = raay * 0.25f;
        sym(3, 9, -(raay * 0.25f));
        sym(3, 11, -(raby * 0.5f));
        sym(9, 11, raby * 0.5f);
        K(11, 11) = 0.75f * r11y;
        break;
    case 2:
        // Hinge at the second node: mirror image of code 1.
        List(log) << "Articulada en el segundo extremo";
        axial();
        K(2, 2) = raaz * 0.25f; K(8, 8) = raaz * 0.25f;
        sym(2, 8, -(raaz * 0.25f));
        sym(2, 6, rabz * 0.5f);
        sym(6, 8, -(rabz * 0.5f));
        K(6, 6) = 0.75f * r11z;
        K(3, 3) = raay * 0.25f; K(9, 9) = raay * 0.25f;
        sym(3, 9, -(raay * 0.25f));
        sym(3, 5, -(raby * 0.5f));
        sym(5, 9, raby * 0.5f);
        K(5, 5) = 0.75f * r11y;
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
// C(1..12, 1..n) = A · B(1..12, 1..n) on 14-row column-major storage.
void product(const float* A, const float* B, float* C, int32_t n) {
    constexpr int32_t ld = 14;
    for (int32_t k = 0; k < n; ++k) {
        float* c = C + k * ld;
        for (int32_t i = 0; i < ld; ++i) c[i] = 0.0f;
        for (int32_t mm = 0; mm < 12; ++mm) {
            const float b = B[k * ld + mm];
            const float* a = A + mm * ld;
            for (int32_t i = 0; i < 12; ++i) c[i] += a[i] * b;
        }
    }
}
} // namespace

void matmul12(const Mat14& A, const Mat14& B, Mat14& C, Trace log) {
    List(log) << "MATRIZ A";
    log_rows(log, A);
    List(log) << "MATRIZ B";
    log_rows(log, B);
    C.zero();
    product(A.data(), B.data(), C.data(), 12);
}

void matmul12(const Mat14& A, const Vec14& b, Vec14& c, Trace log) {
    List(log) << "MATRIZ A";
    log_rows(log, A);
    List(log) << "MATRIZ B";
    log_vector_column(log, b);
    c.zero();
    product(A.data(), b.data(), c.data(), 1);
}

} // namespace qb

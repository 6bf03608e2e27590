// Stiffness of one straight prismatic bar in its local axes, with the end
// hinges of its end-condition code, and the small dense products that
// project it to global axes.
#pragma once

#include <cstdint>

#include "model/model.h"
#include "frame/geometry.h"

namespace qb::inline QB_ARITH {

// Section constants and material of a bar, as the section / material lookup
// leaves them. E, ν and γ deliberately survive from one bar to the next when
// a bar's section is not found (its A, I are then 0, so they have no effect).
struct BarSection {
    real A = 0.0_r, Iy = 0.0_r, Iz = 0.0_r, IRot = 0.0_r;
    real E = 0.0_r, nu = 0.0_r, gamma = 0.0_r;
};

// Finds the section of bar j by name (last equal name wins) and, through the
// section's material name, its E, ν and unit weight γ. Logs each match.
void lookup_bar_section(const Model& m, int32_t j, BarSection& s, Trace log);

// Shear modulus G = E / ((ν + 1)·2).
inline real shear_modulus(const BarSection& s) { return s.E / ((s.nu + 1.0_r) * 2.0_r); }

// Shear-deformation parameter φ = FDC·12·E·Iy / (L²·G·As), As = (5/6)·A.
// It is formed for the record but not applied: the matrix is pure bending
// theory. 0 when the section has no area or no shear modulus.
real shear_parameter(int32_t fdc, const BarSection& s, real G, real L2);

// Local stiffness K (12 x 12) of a bar with end-condition code ncnd:
//   0 no hinge, 1 hinge at the first node, 2 hinge at the second node,
//   3 hinges at both ends (axial only); any other code gives a zero matrix.
// A hinge is a ball joint: it releases both bending moments and torsion, so
// codes 1, 2 and 3 carry no torsional stiffness at all.
// Terms: rax = AE/L, raay = 12EIy/L³, raby = 6EIy/L², r11y = 4EIy/L,
// r12y = 2EIy/L (and the same with Iz), rj = G·IRot/L. A bar of zero length
// gets a zero matrix. Logs the terms and the release case.
void element_stiffness(int32_t ncnd, real E, real G, real A, real Iy, real Iz, real IRot, real L,
                       real L2, real L3, real phi, Mat12& K, Trace log);

// C = A·B for 12 x 12 operands (C zeroed first, C(i,k) = Σ_m A(i,m)·B(m,k),
// summed in increasing m). Logs both operands ("MATRIZ A", "MATRIZ B").
void matmul12(const Mat12& A, const Mat12& B, Mat12& C, Trace log);
// c = A·b for a 12-vector b (the n = 1 form of the product).
void matmul12(const Mat12& A, const Vec12& b, Vec12& c, Trace log);

} // namespace qb

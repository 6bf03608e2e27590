// Boussinesq influence values: stresses in the strata under every reaction
// point caused by a unit uniform pressure on every reaction's loaded rectangle.
#pragma once

#include "model/model.h"
#include "textio/trace.h"

namespace qb::inline QB_ARITH {

// Normal stresses per unit surface pressure (compression positive).
struct Stress {
    real sx = 0.0_r, sy = 0.0_r, sz = 0.0_r;
};

// Stresses at depth z under one corner of a uniformly loaded rectangle whose
// sides are L = |cx - x| (along X) and B = |cy - y| (along Y); (x, y) is the
// corner above the point, (cx, cy) the opposite corner. A rectangle with a
// side of zero length loads no area and gives zero stresses.
Stress corner_stress(real nu, real x, real y, real cx, real cy, real z);

// Stresses at (x, y) and depth z1 under a unit pressure on the rectangle
// [x1, x2] x [y1, y2], by superposition of corner rectangles. Negative
// horizontal stresses are returned as 0; the vertical one is not clamped.
Stress bousi(real nu, real x, real y, real z1, real x1, real y1, real x2, real y2);

// The strata dimension S of the influence tables: the most strata of a
// profile read (at least 1), not the 50 a profile may have, since the tables
// grow with NR squared.
int32_t influence_strata(const Model& m);

// Fills IX, IY, IZ, AINF (NR, S, NR, 2) and SUM_AINF (NR, S), S =
// influence_strata(m), listing every value to the influence file `valinf` as
// it goes. On the large-model path (m.large) fills IXS, IYS, IZS (NR, S, NR:
// both directions summed) and SUM_AINF only, and the influence file lists
// the sums of SUM_AINF. Needs NR, NREAC, PERFIL, DF, the soil profiles (NEST, Z, PROF,
// NU2), XR, YR, XI, YI, XF, YF and NDIRMAX.
void compute_influence_values(Model& m, Trace log, Trace valinf);

} // namespace qb

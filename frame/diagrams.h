// Internal-force tables along the user's axes (chains of bars).
#pragma once

#include <cstdint>

#include "driver/model.h"

namespace qb {

// For every axis and every bar on it, tabulates at NDIV+1 equally spaced
// points the forces in the local x-z plane (axial N, shear Vz', moment My')
// from the first node's end forces, the bar's line load q of the case
// (acting downwards; in case 1 the expansion pressure PV acts upwards, so
// q = -PV) and, for foundation bars, the soil line reactions r1 and r2 acting
// upwards over the first and the second half of the bar. Vy' is shown
// constant and Mz' linear. The running distance restarts at 0 on each axis.
// Needs recover_bar_forces of the same case (ELMEC, VGL) and DESPL; the axes
// NEJES, NDIV, NOMEJE, NBEJE, BEJE. NDIV < 1 is taken as 1.
void print_axis_diagrams(Model& m, Io& io, int32_t caso);

} // namespace qb

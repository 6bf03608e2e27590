// Enlarged global stiffness of the frame and the reduced load vectors of the
// four analysis cases.
#pragma once

#include <cstdint>

#include "driver/model.h"
#include "frame/geometry.h"
#include "frame/stiffness.h"

namespace qb {

// Columns of CUNIF (uniform line loads of a bar, load per unit length).
enum : int32_t { CVMAX = 1, CVMED = 2, CVINST = 3, CMUERTA = 4, PPROPIO = 5, PV_LOAD = 6 };

// Fixed-end fractions of a uniform line load spread over one half of a
// fixed-fixed span of length L: end forces 13/32·L (near end) and 3/32·L
// (far end), end moments 11/192·L² (near) and 5/192·L² (far).
constexpr float HALF_NEAR_FORCE = 0.40625f;
constexpr float HALF_FAR_FORCE = 0.09375f;
constexpr float HALF_NEAR_MOMENT = 0.057291668f;
constexpr float HALF_FAR_MOMENT = 0.026041666f;

// Uniform line load q of bar j in analysis case `caso`, per unit length:
//   1 PV (the expansion pressure, acting upwards),
//   2 CVMax+CMuerta+PPropio+PV, 3 and 4 CVMed+CMuerta+PPropio+PV (gravity
//   loads, acting downwards).
// PPropio includes the self weight added by assemble_frame. Any other case
// number gives 0.
float case_line_load(const Model& m, int32_t j, int32_t caso);

// Position (1-based) of global dof g in NREAC, the last one when it occurs
// more than once, 0 when it is not an area reaction.
int32_t area_reaction_position(const Model& m, int32_t g);

// The element of bar j: local stiffness K, transformation T and its
// transpose TT, and the stiffness projected to global axes KG = TT·K·T
// (formed as (TT·K)·T), with their log; fills VGL(j, 1..12). The assembly
// also logs the three powers of the length.
struct BarElement {
    Mat14 K, T, TT, TK, KG;
};
void form_bar_element(Model& m, Io& io, int32_t j, const BarSection& sec, BarElement& e, bool log_powers);

// Forms, once per run:
//  * akr (NGRED x (NGRED+NR+MR), column-major): frame stiffness in columns
//    1..NGRED (plus the additional springs RIGAD on the diagonal), the
//    equivalent nodal forces of a unit line reaction of area reaction i in
//    column NGRED+i, and -1 in the row of nodal reaction m in column
//    NGRED+NR+m;
//  * vered1..vered4 (NGRED): the case load vectors, as fixed-end forces (the
//    solver's right-hand side is PCONC - vered): vered1 expansion (PV, acting
//    upwards), vered2 CVMax+CM+PP+PV, vered3 and vered4 CVMed+CM+PP+PV;
//  * VGL (NB x 12), the self weight added to CUNIF(·, PPropio), total_load and
//    qmax = total_load / AREATOT (0 when there is no foundation area).
// Needs: bars, sections, materials, COSDIR, LBARRA, CUNIF (slab loads
// included), NGL/NGRED/NTOT, NREAC/NR, NREACNOD/MR, RIGAD/nnk, AREATOT.
// Writes the uniform-load table, total load and qmax to the report.
void assemble_frame(Model& m, Io& io);

} // namespace qb

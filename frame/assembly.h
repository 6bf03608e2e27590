// Enlarged global stiffness of the frame and the reduced load vectors of the
// four analysis cases, with the element quantities that the bar forces share.
#pragma once

#include <cstdint>

#include "frame/geometry.h"
#include "frame/stiffness.h"
#include "model/frame_stiffness.h"
#include "model/model.h"
#include "textio/trace.h"

namespace qb::inline QB_ARITH {

// Columns of CUNIF (uniform line loads of a bar, load per unit length).
enum : int32_t { CVMAX = 1, CVMED = 2, CVINST = 3, CMUERTA = 4, PPROPIO = 5, PV_LOAD = 6 };

// Uniform line load q of bar j in analysis case `caso`, per unit length, as
// the data give it:
//   1 PV (the expansion pressure, acting upwards),
//   2 CVMax+CMuerta+PPropio+PV, 3 and 4 CVMed+CMuerta+PPropio+PV (gravity
//   loads, acting downwards).
// PPropio includes the self weight added by assemble_frame. Any other case
// number gives 0.
real case_line_load(const Model& m, int32_t j, int32_t caso);

// The same load taken positive downwards (along -Z): the expansion pressure
// of case 1 enters with the opposite sign.
real downward_line_load(const Model& m, int32_t j, int32_t caso);

// Fixed-end forces of a bar of length L (L2 = L²) under a uniform load q
// acting along local -z, in the local order of the element vectors: end
// forces +qL/2 along z, end moments -qL²/12 and +qL²/12 about y (θy = -dw/dx).
// Everything else is zero.
void fixed_end_forces(real q, real L, real L2, Vec12& F);

// Equivalent end forces of a unit line reaction (upwards, per unit length)
// spread over the first half of the bar (`first_half`) or over the second.
// A uniform load over one half of a fixed-fixed span gives end forces 13/32·L
// at the near end and 3/32·L at the far end, end moments 11/192·L² (near) and
// 5/192·L² (far).
void half_reaction_forces(real L, real L2, bool first_half, Vec12& F);

// The area reactions at the two end DZ of bar j, when both ends carry one:
// the soil line reaction of each end acts along its half of the bar.
struct BarReactions {
    int32_t first = 0, second = 0;   // positions in NREAC, 0 when absent
    bool both() const { return first != 0 && second != 0; }
};
BarReactions bar_reactions(const Model& m, int32_t j);

// The element of bar j: local stiffness K, transformation T and its
// transpose TT, and the stiffness projected to global axes KG = TT·K·T
// (formed as (TT·K)·T), with their log. The assembly also logs the three
// powers of the length.
struct BarElement {
    Mat12 K, T, TT, TK, KG;
};
void form_bar_element(const Model& m, Trace log, int32_t j, const BarSection& sec, BarElement& e, bool log_powers);

// The bar's row of the uniform-load table: its number and the six load
// columns of CUNIF (I6, 6F12.4).
void bar_load_row(Channel& ch, const Model& m, int32_t j);

// Forms, once per run, the frame system `frame` and:
//  * VGL (NB x 12): the global dofs of the bar ends;
//  * akr (NGRED x (NGRED+NR+MR), column-major): frame stiffness in columns
//    1..NGRED (plus the additional springs RIGAD on the diagonal), the
//    equivalent nodal forces of a unit line reaction of area reaction i in
//    column NGRED+i, and -1 in the row of nodal reaction m in column
//    NGRED+NR+m;
//  * vered[1..4] (NGRED): the case load vectors, as fixed-end forces (the
//    solver's right-hand side is PCONC - vered): vered[1] expansion (PV, acting
//    upwards), vered[2] CVMax+CM+PP+PV, vered[3] and vered[4] CVMed+CM+PP+PV;
//  * the self weight added to CUNIF(·, PPropio), total_load and
//    qmax = total_load / AREATOT (0 when there is no foundation area).
// Needs: bars, sections, materials, COSDIR, LBARRA, CUNIF (slab loads
// included), NGL/NGRED/NTOT, NREAC/NR, NREACNOD/MR, RIGAD/nnk, AREATOT.
void assemble_frame(Model& m, FrameSystem& frame, Trace log);

} // namespace qb

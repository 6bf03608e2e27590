// Reaction points, reaction lengths and areas, loaded rectangles, and the
// tributary areas and line loads of foundation slabs.
#pragma once

#include "model/model.h"
#include "textio/trace.h"

namespace qb::inline QB_ARITH {

// Straight-line (3-D) distance from node a to node b.
real distance(const Model& m, int32_t a, int32_t b);

// Bar lengths and plan directions; for every foundation node its reaction
// length and area (LONGREAC, AREAREAC by the node's DZ degree of freedom) and
// its loaded rectangle per direction (XI, YI, XF, YF); for slabs the edge bars,
// the tributary areas and the slab loads added to CUNIF (CLOSA(., 5) becomes
// the slab's self weight); NDIRMAX and AREATOT.
//
// Needs: COOR, PI, PJ, SU, SECBAR, SECNOM, BASE, MATNOM, PESOV, NLOSA, HLOSA,
// MATLOSA, CLOSA, CUNIF (NB x 6) and the counts NN, NB, NSEC, NMAT, NLOS, NR.
// Throws InputError for a slab whose sides are not four bars or whose corners
// do not run NI->NJ along +X, NJ->NK along +Y, NK->NL along -X, NL->NI along -Y.
void compute_reaction_areas(Model& m, Trace log);

// "GL DE REACCION   LONGITUD    AREA" and one row for every global dof
// 1..last_dof that carries a reaction length.
void list_reaction_lengths(const Model& m, Channel& ch, int32_t last_dof);

// The reaction points and their rectangles, per direction, one row per node
// 1..NR.
void reaction_point_rows(Channel& ch, const Model& m);

// "Área tributaria por barra": the bars that carry a slab area.
void tributary_area_rows(Channel& ch, const Model& m);

} // namespace qb

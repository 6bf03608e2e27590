// What the one-time preparation derives from the data: the equation
// numbering and the loads by equation, the bar geometry, the reactions with
// their lengths, areas and loaded rectangles, the influence values and the
// field moduli. Filled once before the analysis cases, read-only afterwards.
#pragma once

#include <cstdint>

#include "model/real.h"
#include "model/tables.h"

namespace qb::inline QB_ARITH {

struct Prepared {
    // The model goes beyond the legacy tables and takes the large-model path:
    // the frame stiffness stored sparse, the influence values summed over the
    // directions, the log without matrices (set before the preparation).
    bool large = false;

    // ---- numbering ---------------------------------------------------------------
    int32_t NTOT = 0, NGRED = 0, NR = 0, MR = 0, NRCENT = 1, NFIXED = 0;
    Vec1<int32_t> NGL, NRESTR;             // by global dof: equation number, restraint
    Vec1<real> PCONC, RIGAD;              // nodal loads and additional springs by equation number

    // ---- bar geometry ------------------------------------------------------------
    Arr4<real> COSDIR;                    // (NB, 3, 3)
    Mat1<int32_t> VGL;                     // (NB, 12) global dofs of the bar ends
    Vec1<real> LBARRA, UX, UY;
    Vec1<int32_t> NDIR;                    // 1 or 2 for foundation bars

    // ---- slabs on the foundation --------------------------------------------------
    Mat1<int32_t> LBLOSA;                  // (NLOS, 4) edge bars
    Vec1<real> ALOSA;
    Vec1<real> ABARRA;                    // (NB) tributary slab area

    // ---- reactions -----------------------------------------------------------------
    real PVC = 0.0_r;                      // vertical pressure at the foundation centre (<0)
    Vec1<int32_t> NREAC;                   // (NR) dof of each area reaction
    Vec1<int32_t> NREACNOD;                // (MR) dof of each nodal reaction
    Vec1<real> LONGREAC, AREAREAC;        // by global dof
    Vec1<real> XR, YR;                    // (NN) reaction points
    Mat1<real> XI, YI, XF, YF;            // (NN, 2) reaction rectangles by direction
    int32_t NDIRMAX = 0;
    real AREATOT = 0.0_r;
    real total_load = 0.0_r, qmax = 0.0_r;

    // ---- influence values (j, stratum, l, direction) -------------------------------
    Arr4<real> IX, IY, IZ, AINF;
    Mat1<real> SUM_AINF;                  // (NR, most strata of a profile)
    // The large-model path keeps each value summed over the two directions
    // only, (j, stratum, l): what the flexibility and the settlements read.
    Arr4<real> IXS, IYS, IZS;

    // ---- field moduli --------------------------------------------------------------
    Mat1<real> EELAS, ECOMP;              // by reaction/node, stratum
    Mat1<real> EELASP, ECOMPP;            // by profile, stratum

    int32_t reactions() const { return NR + MR; }
};

} // namespace qb

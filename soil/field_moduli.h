// Field moduli: the laboratory moduli of cases 1 and 2 brought to the stress
// level that the foundation causes in each stratum under each reaction.
#pragma once

#include "driver/model.h"

namespace qb {

// Fills EELAS, ECOMP (reaction/node x 50 strata; row j is reaction j, which is
// node j since the foundation nodes come first) and EELASP, ECOMPP (profile x
// 50, every profile holding the central reaction's moduli), with the report
// section "MÓDULOS DE CAMPO" and traces in the log.
//
// Needs: NR, NREAC, NN, PERFIL, DF, soil (NPS, NEST, Z, PROF, E1, E2, SLAB),
// SUM_AINF (NR x 50), PVC, qmax and NRCENT.
// Throws InputError when a reaction's node names a soil profile not read.
void compute_field_moduli(Model& m, Io& io);

} // namespace qb

// Field moduli: the laboratory moduli of cases 1 and 2 brought to the stress
// level that the foundation causes in each stratum under each reaction.
#pragma once

#include <cmath>

#include "model/model.h"
#include "textio/trace.h"

namespace qb::inline QB_ARITH {

// Fills EELAS, ECOMP (reaction/node x 50 strata; row j is reaction j, which is
// node j since the foundation nodes come first) and EELASP, ECOMPP (profile x
// 50, every profile holding the central reaction's moduli).
//
// Needs: NR, NREAC, NN, PERFIL, DF, soil (NPS, NEST, Z, PROF, E1, E2, SLAB),
// SUM_AINF (NR x 50), PVC, qmax and NRCENT.
// Throws InputError when a reaction's node names a soil profile not read (a
// data file with one is refused while it is read; this guards other callers).
void compute_field_moduli(Model& m, Trace log);

// With the moduli of the central node (NFLAG1 = 1): one warning when that
// node's moduli reach deeper than the strata of the last reaction's profile,
// which a copy limited to those strata would leave at zero.
void warn_central_strata(Model& m);

// Net pressure under the foundation: the contact pressure less the unloading
// by the excavation (PVC is negative, a compression).
inline real net_pressure(const Model& m) { return m.qmax + m.PVC; }

// Stress in stratum k under reaction j: the influence value times the
// unloading (expansion) or the net pressure (compression).
inline real expansion_stress(const Model& m, int32_t j, int32_t k) { return m.SUM_AINF(j, k) * std::fabs(m.PVC); }
inline real compression_stress(const Model& m, int32_t j, int32_t k) { return m.SUM_AINF(j, k) * net_pressure(m); }

// The profile of reaction j's node.
inline int32_t reaction_profile(const Model& m, int32_t j) { return m.PERFIL(node_of_dof(m.NREAC(j))); }

// Strata shown in the field-moduli tables: those of the last reaction's
// profile (none without reactions).
inline int32_t field_table_strata(const Model& m) { return m.NR >= 1 ? m.soil.NEST(reaction_profile(m, m.NR)) : 0; }

} // namespace qb

// Isolated footings: the springs on the nodal-reaction degrees of freedom.
#pragma once

#include "model/model.h"
#include "textio/trace.h"

namespace qb::inline QB_ARITH {

// Writes the flexibility of every nodal reaction i = 1..MR on the diagonal
// FLEX(NR+i, NR+i): the footing under the reaction's node is replaced by a
// circle of equal area on each stratum below it, the strata acting as springs
// in series (vertical, horizontal or rotational, by the degree of freedom).
// E and nu are the case's modulus and Poisson-ratio tables by (profile,
// stratum). Needs NR, MR, NREACNOD, NZAP, ANCHOZ, LARGOZ, NODOZ, PERFIL, DF and
// the soil profiles (NEST, PROF, H). The case's FLEX is sized (NR+MR) x (NR+MR) when it
// is not already; nothing else of it is changed.
void isolated_footing_springs(const Model& m, CaseState& st, const Mat1<real>& E, const Mat1<real>& nu,
                              Trace log);

} // namespace qb

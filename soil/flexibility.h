// Soil flexibility matrices of the analysis cases. FLEX(j, l) is the
// settlement under area reaction j caused by a unit reaction (force per unit
// length of footing) at area reaction l: the vertical strain that the
// influence values give in every stratum below the foundation, times the
// stratum thickness, summed down the profile.
//
// Common inputs: NR, MR, NREAC, PERFIL, DF, the soil profiles (NEST, PROF, H),
// LONGREAC and AREAREAC, and the influence tables IX, IY, IZ. The case's FLEX
// is sized (NR+MR) x (NR+MR) when it is not already; FLSC, FLSC_3 and FLSC_4
// overwrite its NR x NR block, FNLCC clears it all first.
#pragma once

#include "model/model.h"
#include "textio/trace.h"

namespace qb::inline QB_ARITH {

// Linear elastic soil (expansion, immediate compression). E is the modulus
// table chosen by the caller: E1 or E2 by profile, EELASP/ECOMPP by profile
// (nflag1 = 1) or EELAS/ECOMP by node (nflag1 = 2). The compliance 1/E of each
// profile and stratum is kept in AMZ; any other nflag1 reuses the last one.
void FLSC(const Model& m, CaseState& st, const Mat1<real>& E, Trace log);

// Primary consolidation: compliance 1/EMV, vertical stress only.
void FLSC_3(const Model& m, CaseState& st, Trace log);

// Secondary consolidation: compliance 1/EMT, vertical stress only, times the
// time factor log10(1 + PSI T).
void FLSC_4(const Model& m, CaseState& st, Trace log);

// Immediate compression with the stress-dependent modulus
// E = K PA (sigma / PA)^N, sigma the mean stress from the reactions R(j)
// (NR entries) and the in-situ pressure. Uses KO, K, N, PZ and PA.
void FNLCC(const Model& m, CaseState& st, const Vec1<real>& R, Trace log);

// FLEX holds every reaction, area reactions first; the isolated-footing
// springs fill the rows after NR.
void size_flex(const Model& m, CaseState& st);

} // namespace qb

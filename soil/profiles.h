// Soil profiles: in-situ pressures of the strata and the bearing stratum.
#pragma once

#include <cstdint>

#include "model/model.h"
#include "textio/trace.h"

namespace qb::inline QB_ARITH {

// In-situ state of stratum k of profile p from its thickness H, its unit
// weight GAMA and the strata above it: depths Z (middle) and PROF (bottom),
// vertical pressures PZ (middle) and PV (bottom). When the stratum holds the
// foundation depth of the central reaction's node (the lower one wins on a
// boundary) it is the bearing stratum NAPOYO(p), and PVC, the vertical
// pressure at the foundation centre (negative, a compression), is set from
// it; the function then returns true.
bool stratum_state(Model& m, int32_t p, int32_t k, Trace log);

// Lateral pressure at rest PH = KO·PV and thrust EMPUJE of every stratum of
// profile p.
void lateral_pressures(Soil& s, int32_t p);

// The rows of the pressure table of profile p: stratum, depth, Pv, Ph, thrust
// of the stratum and accumulated thrust (I5, 5F13.d).
void pressure_rows(Channel& ch, const Soil& s, int32_t p, int decimals);

// The log's copy of the pressure table of profile p.
void trace_profile_pressures(const Model& m, int32_t p, Trace log);

} // namespace qb

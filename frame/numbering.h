// Restraint codes and equation numbering.
#pragma once

#include "model/model.h"
#include "textio/trace.h"

namespace qb::inline QB_ARITH {

// Settles the restraint codes (unconnected nodes fixed, foundation-bar ends
// get area reactions on DZ, footing nodes nodal reactions), lists the area
// reactions NREAC and nodal reactions NREACNOD, and numbers the equations NGL.
void number_dofs(Model& m, Trace log);

} // namespace qb

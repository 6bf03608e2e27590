// The soil block of the data file: profiles, strata and the properties of
// every analysis case switched on.
#pragma once

#include "input/echo.h"
#include "model/model.h"
#include "textio/listread.h"

namespace qb::inline QB_ARITH {

// Reads the soil block with its echo ("PROPIEDADES DEL SUELO", the strata and
// the pressure tables of each profile), computing the in-situ pressures, the
// bearing stratum and PVC as each stratum is read.
void read_soil_profiles(Model& m, Echo& out, ListReader& in);

} // namespace qb

// Soil profiles: strata, case properties, in-situ pressures, bearing stratum.
#pragma once

#include "driver/listread.h"
#include "driver/model.h"

namespace qb {

// Reads the soil block, computes depths and vertical pressures of every
// stratum, the bearing stratum of the foundation centre and PVC, and writes
// "PROPIEDADES DEL SUELO" and the pressure tables.
void read_soil_profiles(Model& m, Io& io, ListReader& in);

} // namespace qb

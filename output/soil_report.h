// Report sections of the soil: pressures of the profiles, reaction points and
// areas, field moduli.
#pragma once

#include <cstdint>

#include "model/model.h"
#include "textio/lineform.h"

namespace qb::inline QB_ARITH {

// "PRESIONES EN PERFIL p": vertical and lateral pressures and thrusts.
void report_profile_pressures(const Model& m, int32_t p, Channel& report);

// Bar lengths, reaction points and rectangles, reaction lengths and areas,
// the foundation area and the tributary slab areas.
void report_reaction_areas(const Model& m, Channel& report);

// "MÓDULOS DE CAMPO": the stresses and moduli of every loaded stratum under
// every reaction, the two tables and the moduli of the central node.
void report_field_moduli(const Model& m, Channel& report);

} // namespace qb

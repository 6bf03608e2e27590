// GiD ASCII mesh ("arch.msh") and post-results ("arch.res") lines.
#pragma once

#include <cstdint>

#include "model/model.h"
#include "textio/lineform.h"

namespace qb::inline QB_ARITH {

void gid_mesh_heading(Channel& msh, const Text& titulo);
void gid_node(Channel& msh, int32_t label, real x, real y, real z);
void gid_end_coordinates(Channel& msh);
void gid_bar_elements_begin(Channel& msh);
void gid_bar_element(Channel& msh, int32_t label, int32_t pi, int32_t pj, int32_t material);
void gid_bar_elements_end(Channel& msh);
void gid_slab_mesh_heading(Channel& msh);
void gid_slab_element(Channel& msh, int32_t label, int32_t ni, int32_t nj, int32_t nk, int32_t nl);
void gid_slab_mesh_end(Channel& msh);

void gid_results_heading(Channel& res, const Text& titulo);

enum class GidResult { Expansion, CompressionLinear, CompressionNonlinear, PrimaryLinear, SecondaryLinear };
void gid_result_header(Channel& res, GidResult which);

// The values block of one solution: translations of every node from DESPL.
void gid_values_block(Channel& res, const Model& m, const CaseState& st);

} // namespace qb

// GiD ASCII mesh ("arch.msh") and post-results ("arch.res") lines.
#pragma once

#include <cstdint>
#include <string>

#include "driver/model.h"

namespace qb {

void gid_mesh_heading(Io& io, const std::string& titulo);
void gid_node(Io& io, int32_t label, float x, float y, float z);
void gid_end_coordinates(Io& io);
void gid_bar_elements_begin(Io& io);
void gid_bar_element(Io& io, int32_t label, int32_t pi, int32_t pj, int32_t material);
void gid_bar_elements_end(Io& io);
void gid_slab_mesh_heading(Io& io);
void gid_slab_element(Io& io, int32_t label, int32_t ni, int32_t nj, int32_t nk, int32_t nl);
void gid_slab_mesh_end(Io& io);

void gid_results_heading(Io& io, const std::string& titulo);

enum class GidResult { Expansion, CompressionLinear, CompressionNonlinear, PrimaryLinear, SecondaryLinear };
void gid_result_header(Io& io, GidResult which);

// The values block of one solution: translations of every node from DESPL.
void gid_values_block(Io& io, const Model& m);

} // namespace qb

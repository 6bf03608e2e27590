// VTK XML files of the solved cases, for ParaView or any other VTK reader: one
// unstructured grid per case, and a collection that opens them all at once with
// the case number as the time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/model.h"
#include "textio/lineform.h"

namespace qb::inline QB_ARITH {

// The grid of case `caso` (format 0.1, arrays in base64 so that every real,
// non-finite ones included, reads back with its own bits). Values are in the
// units of the data file, local bar axes as in the report.
//   points: the nodes 1..NN (point n-1 is node n);
//   cells: the bars (VTK_LINE, first node to second node), then the slabs
//     (VTK_QUAD over NI NJ NK NL);
//   point data: "displacement" and "rotation" (DX DY DZ, MX MY MZ of DESPL),
//     "soil_reaction" (the area reaction on the node's DZ, a load per unit
//     length, positive upwards), "settlement" (the soil movement under an area
//     reaction or a footing, negative downwards; NaN off the foundation),
//     "contact_pressure" (reaction over its tributary area, positive in
//     compression; NaN off the foundation) and "footing_reaction" (the six
//     nodal reactions of an isolated footing); the reactions are 0 where the
//     node has none;
//   cell data: "number" (bar or slab number), "slab" (1 for slabs), "section"
//     (index into the field array "section_names", 0 for slabs), "on_soil" (1
//     for foundation bars and slabs) and "end_forces" (the twelve end forces
//     of the bar, ELMEC order; 0 for slabs);
//   field data: "title", "units" (force, length, spring, stress, unit weight),
//     "case", "converged" (1, or 0 for the last iterate of a solution that did
//     not converge) and "section_names" (entry 0 empty, entry k section k).
// Texts of the data file are stored as their bytes. Needs the case's bar
// forces (recover_bar_forces: ELMEC of NB rows of 12).
void write_case_vtu(Channel& out, const Model& m, const CaseState& st, int32_t caso, bool converged = true);

struct CollectionEntry {
    int32_t caso = 0;
    std::string file;   // relative to the collection's folder
};

// The ParaView collection (.pvd) of the case grids, one per case as its time.
void write_case_collection(Channel& out, const std::vector<CollectionEntry>& cases);

// Standard base64 (RFC 4648, padded) of n bytes, appended to out.
void append_base64(std::string& out, const void* bytes, size_t n);

} // namespace qb
